#!/usr/bin/env python3
"""Runs Linux programs for Windows test programs under Wine.

The tests of the Windows build use Linux programs as servers and oracles
(nginx, the scripted server, unzip). Under Wine a Windows program can start a
Linux one but neither read its output nor learn how it ended, so the test
asks this agent instead, over a connection to 127.0.0.1.

Usage: host-agent.py WINEPREFIX. Prints the port it listens on, then serves
until killed. Per connection the client sends one line, a JSON array: the
program and its arguments. Windows paths in the arguments ("C:\\x\\y", also
inside a shell command, up to a quote or a blank) become the Linux paths Wine
maps them to. The agent answers with the
program's standard output in frames "D <length>\\n<bytes>" and ends with
"X <status>\\n" (-1 when a signal ended it). A client that disconnects ends the
program. Standard error goes to the agent's own.
"""
import json
import os
import re
import signal
import socket
import socketserver
import subprocess
import sys
import threading

PREFIX = sys.argv[1]
WHOLE_PATH = re.compile(r"^([A-Za-z]):([\\/].*)?$")
PATH_IN_TEXT = re.compile(r"(?<![\w])([A-Za-z]):(\\[^'\"\s]*)")


def drive_root(letter):
    return os.path.realpath(os.path.join(PREFIX, "dosdevices", letter.lower() + ":"))


def translate(letter, rest):
    rest = (rest or "").replace("\\", "/").lstrip("/")
    return os.path.join(drive_root(letter), rest) if rest else drive_root(letter)


def host_path(arg):
    m = WHOLE_PATH.match(arg)
    if m:
        return translate(m.group(1), m.group(2))
    return PATH_IN_TEXT.sub(lambda m: translate(m.group(1), m.group(2)), arg)


class Handler(socketserver.StreamRequestHandler):
    def handle(self):
        argv = [host_path(a) for a in json.loads(self.rfile.readline().decode("utf-8"))]
        try:
            child = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, start_new_session=True)
        except OSError as e:
            print(f"host-agent: cannot run {argv[0]}: {e}", file=sys.stderr)
            self.wfile.write(b"X 127\n")
            return
        # A client that goes away ends the program.
        def watch():
            try:
                while self.request.recv(4096):
                    pass
            except OSError:
                pass
            if child.poll() is None:
                try:
                    os.killpg(child.pid, signal.SIGKILL)
                except OSError:
                    pass
        threading.Thread(target=watch, daemon=True).start()
        try:
            while True:
                data = os.read(child.stdout.fileno(), 65536)
                if not data:
                    break
                self.wfile.write(b"D %d\n" % len(data) + data)
                self.wfile.flush()
        except OSError:
            pass
        status = child.wait()
        try:
            self.wfile.write(b"X %d\n" % (status if status >= 0 else -1))
        except OSError:
            pass


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    server = Server(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
