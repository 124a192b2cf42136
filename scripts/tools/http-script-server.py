#!/usr/bin/env python3
"""A scripted TCP server for tests: it plays one script of commands against
the connections it accepts and records every request it reads.

Usage: http-script-server.py SCRIPT [--record FILE]

It listens on 127.0.0.1 on a free port, prints "PORT <n>" on its standard
output (after any leading block-accepts) and runs the script; it exits when the script ends (status 0) or when a
command fails (status 1, with the reason on standard error).

Script lines (blank lines and lines starting with "#" are skipped):
  accept                 wait for the next connection; later commands use it
  block-accepts          fill the listen queue so that new connects hang
  unblock-accepts        empty the listen queue again so connects complete
  expect-request         read one request head (up to the empty line) and
                         append its bytes to the record file
  read-until-close       read until the client closes the connection
  send TEXT              send TEXT; \\r \\n \\t \\\\ \\" and \\xHH are escapes
  send-repeat N TEXT     send TEXT N times
  send-body N            send N bytes of the test pattern (byte i = i % 251)
  send-with-body N TEXT  send TEXT and the first N pattern bytes in one piece
  send-body-from S N     send pattern bytes S .. S+N-1
  sleep MS               wait MS milliseconds
  close                  close the connection (FIN)
  reset                  close the connection with a reset (RST)
  hold MS                keep everything as it is for MS milliseconds
"""
import socket
import struct
import sys
import time


def unescape(text):
    out = bytearray()
    i = 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            n = text[i + 1]
            if n == "x" and i + 3 < len(text):
                out.append(int(text[i + 2:i + 4], 16))
                i += 4
                continue
            out += {"r": b"\r", "n": b"\n", "t": b"\t", "\\": b"\\", '"': b'"'}.get(n, ("\\" + n).encode())
            i += 2
            continue
        out += c.encode("utf-8")
        i += 1
    return bytes(out)


def pattern(start, count):
    # The period 251 is prime, so block boundaries never line up with it.
    full = bytes(range(251))
    first = start % 251
    data = (full[first:] + full * ((count // 251) + 2))[:count]
    return data


class Server:
    def __init__(self, record):
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(16)
        self.port = self.listener.getsockname()[1]
        self.conn = None
        self.pending = b""
        self.fillers = []
        self.record = record

    def announce(self):
        if not self.announced:
            sys.stdout.write("PORT %d\n" % self.port)
            sys.stdout.flush()
            self.announced = True

    def run(self, lines):
        self.announced = False
        for number, raw in enumerate(lines, 1):
            line = raw.strip("\r\n")
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            cmd, _, arg = line.strip().partition(" ")
            # Leading block-accepts run before anyone may connect.
            if cmd != "block-accepts":
                self.announce()
            try:
                getattr(self, "cmd_" + cmd.replace("-", "_"))(arg)
            except Exception as e:  # noqa: BLE001 - report any failure with its line
                self.announce()
                sys.stderr.write("script line %d (%s): %s\n" % (number, line, e))
                return 1
        self.announce()
        return 0

    def need_conn(self):
        if self.conn is None:
            raise RuntimeError("no connection")
        return self.conn

    def cmd_accept(self, arg):
        self.conn, _ = self.listener.accept()
        self.pending = b""

    def cmd_block_accepts(self, arg):
        # A filler connection waits in the listen queue; with the queue's
        # length then set to 0 it counts as full and the kernel drops further
        # SYNs, so a client's connect hangs (its SYN is sent again after 1 s,
        # 3 s, 7 s, ...).
        self.filler = socket.create_connection(("127.0.0.1", self.port), timeout=5)
        time.sleep(0.05)
        self.listener.listen(0)

    def cmd_unblock_accepts(self, arg):
        queued, _ = self.listener.accept()
        queued.close()
        self.filler.close()
        self.listener.listen(16)

    def cmd_expect_request(self, arg):
        c = self.need_conn()
        while b"\r\n\r\n" not in self.pending:
            data = c.recv(65536)
            if not data:
                raise RuntimeError("connection closed before a whole request")
            self.pending += data
        head, _, self.pending = self.pending.partition(b"\r\n\r\n")
        if self.record:
            with open(self.record, "ab") as f:
                f.write(head + b"\r\n\r\n")

    def cmd_read_until_close(self, arg):
        c = self.need_conn()
        while c.recv(65536):
            pass

    def cmd_send(self, arg):
        self.need_conn().sendall(unescape(arg))

    def cmd_send_repeat(self, arg):
        count, _, text = arg.partition(" ")
        self.need_conn().sendall(unescape(text) * int(count))

    def cmd_send_body(self, arg):
        self.send_pattern(0, int(arg))

    def cmd_send_with_body(self, arg):
        count, _, text = arg.partition(" ")
        self.need_conn().sendall(unescape(text) + pattern(0, int(count)))

    def cmd_send_body_from(self, arg):
        start, count = arg.split()
        self.send_pattern(int(start), int(count))

    def send_pattern(self, start, count):
        c = self.need_conn()
        step = 1 << 20
        for s in range(0, count, step):
            c.sendall(pattern(start + s, min(step, count - s)))

    def cmd_sleep(self, arg):
        time.sleep(int(arg) / 1000.0)

    cmd_hold = cmd_sleep

    def cmd_close(self, arg):
        c = self.need_conn()
        c.close()
        self.conn = None

    def cmd_reset(self, arg):
        c = self.need_conn()
        c.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        c.close()
        self.conn = None


def main():
    args = sys.argv[1:]
    record = None
    if "--record" in args:
        i = args.index("--record")
        record = args[i + 1]
        del args[i:i + 2]
    if len(args) != 1:
        sys.stderr.write(__doc__)
        return 2
    with open(args[0], encoding="utf-8") as f:
        lines = f.readlines()
    server = Server(record)
    return server.run(lines)


if __name__ == "__main__":
    sys.exit(main())
