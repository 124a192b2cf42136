#pragma once
// Support operations on processes: ending the game launcher and starting the
// program the server names.
#include "app/update/Result.h"
#include "app/update/UpdateEnvironment.h"
#include "core/Types.h"

// Ends every process whose executable name is ExeName: the file-name part of
// the name a process shows, or the whole of it, compared with the letters
// a to z upper-cased. The outcome of the last attempt (non-zero on success),
// 0 when there was none.
int KillProcessByName(const AnsiString& ExeName);

// Starts the file at Path without waiting for it to end; refused, with the
// system's reason, when it could not be executed.
Result<> StartProgramFile(const AnsiString& Path);

// Starts the file Name of the installation through the environment's
// process control; refused when it could not be executed.
Result<> RunAppFile(const UpdateEnvironment& Env, const AnsiString& Name);
