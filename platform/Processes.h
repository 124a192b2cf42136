#pragma once
// The running processes of the system, ending one, and starting a program
// without waiting for it.
#include <string>
#include <vector>

namespace platform {

struct ProcessEntry {
  int pid = 0;
  // The executable name as the process shows it, in code page 936: the first
  // word of its command line (argv[0], which is where a program run through a
  // Windows compatibility layer shows its Windows path), or the kernel's short
  // name when the command line is empty.
  std::string exeName;
};

// The number of the running process.
int CurrentProcessId();

// Every process visible in /proc, in the order the system lists them.
std::vector<ProcessEntry> ListProcesses();

// Ends the process at once (SIGKILL); true when the signal was delivered.
bool KillProcess(int pid);

// Starts the file at Path (code page 936) in its own session without waiting
// for it to end: an executable file is run, any other file is handed to
// xdg-open. Returns once the program has been executed, or with false and
// the errno in *error when it could not be (no child, a file that is no
// program, a missing interpreter, no xdg-open).
bool StartDetached(const std::string& path, int* error = nullptr);

// Gives a file the execute permission wherever it has the read permission.
bool MakeExecutable(const std::string& path);

}  // namespace platform
