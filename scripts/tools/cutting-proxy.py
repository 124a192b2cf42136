#!/usr/bin/env python3
"""A TCP proxy that breaks connections the way real networks do, for tests
and benchmarks of downloads that must survive them.

Usage: cutting-proxy.py UPSTREAM_PORT [--cut-every BYTES] [--reset]
                        [--stall-after BYTES --stall-ms MS] [--rate BYTES]
                        [--stats FILE]

It listens on 127.0.0.1 on a free port, prints "PORT <n>" on its standard
output and forwards every connection to 127.0.0.1:UPSTREAM_PORT until it is
killed.

  --cut-every BYTES    each connection is cut once BYTES bytes of the answer
                       have gone to the client (FIN, or RST with --reset)
  --stall-after BYTES  the first connection that reaches BYTES bytes of
  --stall-ms MS        answer falls silent there for MS milliseconds, then is
                       cut (once in the proxy's life)
  --rate BYTES         each connection passes at most BYTES bytes of answer
                       a second (a slow line)
  --stats FILE         after each connection, FILE holds the totals:
                       "connections N", "forwarded BYTES" (answer bytes the
                       clients got) and "upstream BYTES" (answer bytes the
                       proxy took from the server)
"""
import argparse
import os
import socket
import struct
import sys
import threading
import time

lock = threading.Lock()
totals = {"connections": 0, "forwarded": 0, "upstream": 0}
stalled = [False]


def write_stats(path):
    if not path:
        return
    with lock:
        text = "".join("%s %d\n" % (k, v) for k, v in totals.items())
    with open(path + ".tmp", "w") as f:
        f.write(text)
    os.replace(path + ".tmp", path)


def cut(sock, reset):
    try:
        if reset:
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        sock.close()
    except OSError:
        pass


def requests(client, upstream):
    """Client to server: requests pass unchanged."""
    try:
        while True:
            data = client.recv(65536)
            if not data:
                break
            upstream.sendall(data)
    except OSError:
        pass
    try:
        upstream.shutdown(socket.SHUT_WR)
    except OSError:
        pass


def answers(client, upstream, args):
    """Server to client: counted, and cut or stalled where the options say."""
    forwarded = 0
    started = time.monotonic()
    limit = args.cut_every or None
    stall_at = None
    with lock:
        if args.stall_after is not None and not stalled[0]:
            stall_at = args.stall_after
    try:
        while True:
            want = 16384 if args.rate else 65536
            bounds = [b for b in (limit, stall_at) if b is not None]
            if bounds:
                want = max(1, min(want, min(bounds) - forwarded))
            data = upstream.recv(want)
            if not data:
                break
            with lock:
                totals["upstream"] += len(data)
            client.sendall(data)
            forwarded += len(data)
            if args.rate:
                ahead = forwarded / args.rate - (time.monotonic() - started)
                if ahead > 0:
                    time.sleep(ahead)
            with lock:
                totals["forwarded"] += len(data)
            if stall_at is not None and forwarded >= stall_at:
                with lock:
                    first = not stalled[0]
                    stalled[0] = True
                if first:
                    time.sleep(args.stall_ms / 1000.0)
                    break
                stall_at = None
            if limit is not None and forwarded >= limit:
                break
    except OSError:
        pass


def serve(conn, args):
    try:
        upstream = socket.create_connection(("127.0.0.1", args.upstream_port))
    except OSError:
        cut(conn, True)
        return
    with lock:
        totals["connections"] += 1
    t = threading.Thread(target=requests, args=(conn, upstream), daemon=True)
    t.start()
    answers(conn, upstream, args)
    # A socket closes for real only once no thread is inside a call on it:
    # wake the reader of requests first, then close (or reset) the client.
    try:
        conn.shutdown(socket.SHUT_RD)
    except OSError:
        pass
    t.join(5)
    cut(conn, args.reset)
    cut(upstream, False)
    write_stats(args.stats)


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("upstream_port", type=int)
    p.add_argument("--cut-every", type=int, default=0)
    p.add_argument("--reset", action="store_true")
    p.add_argument("--stall-after", type=int)
    p.add_argument("--stall-ms", type=int, default=0)
    p.add_argument("--rate", type=int, default=0)
    p.add_argument("--stats")
    args = p.parse_args()

    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    write_stats(args.stats)
    sys.stdout.write("PORT %d\n" % listener.getsockname()[1])
    sys.stdout.flush()
    while True:
        conn, _ = listener.accept()
        threading.Thread(target=serve, args=(conn, args), daemon=True).start()


if __name__ == "__main__":
    main()
