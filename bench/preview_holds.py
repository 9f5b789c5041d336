#!/usr/bin/env python3
"""What clients that try to hold the preview server cost others.

    python3 bench/preview_holds.py [path/to/tourwright]   (default build/tourwright)

Starts `tourwright --preview` on a copy of the example tour and measures,
over loopback:
  - slow clients: 100 connections sending one header byte every 2 s and
    1,000 idle ones, while one normal request is asked every 2 s: the time
    each takes to be answered (a timeout of 12 s is given);
  - a header flood: 300 MiB of one endless header over 16 connections: the
    server's peak resident memory (VmHWM) before and after, and whether a
    normal request is still answered.
The last lines are the figures, as "name: value".
"""
import os
import resource
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EXE = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "tourwright"))


def peak_kib(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return -1


def ask(port, timeout):
    """Seconds until a whole answer to one request came; None if none did."""
    start = time.monotonic()
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=timeout) as connection:
            connection.sendall(b"GET /hall.xml HTTP/1.1\r\nHost: 127.0.0.1:%d\r\n"
                               b"Connection: close\r\n\r\n" % port)
            answer = b""
            while True:
                piece = connection.recv(65536)
                if not piece:
                    break
                answer += piece
        return time.monotonic() - start if answer.startswith(b"HTTP/1.1 200") else None
    except OSError:
        return None


def slow_clients(port):
    slow, idle = [], []
    for _ in range(100):
        connection = socket.create_connection(("127.0.0.1", port))
        connection.sendall(b"GET / HTTP/1.1\r\n")
        slow.append(connection)
    for _ in range(1000):
        try:
            idle.append(socket.create_connection(("127.0.0.1", port), timeout=5))
        except OSError:
            break
    times = []
    for _ in range(4):
        for connection in slow:
            try:
                connection.send(b"X")
            except OSError:
                pass
        taken = ask(port, 12)
        times.append("timeout" if taken is None else "%.3f s" % taken)
        time.sleep(2)
    for connection in slow + idle:
        connection.close()
    return times, len(idle)


def flood(port, total):
    per = total // 16
    piece = b"x" * 65536

    def one():
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=10) as connection:
                connection.sendall(b"GET / HTTP/1.1\r\nX-Flood: ")
                sent = 0
                while sent < per:
                    connection.sendall(piece)
                    sent += len(piece)
        except OSError:
            pass  # cut off

    threads = [threading.Thread(target=one) for _ in range(16)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()


def main():
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (min(4096, hard), hard))
    work = tempfile.mkdtemp(prefix="tourwright-holds.")
    tour = os.path.join(work, "palace")
    shutil.copytree(os.path.join(ROOT, "examples", "palace"), tour)
    preview = subprocess.Popen([EXE, "--preview", "palace.lst"], cwd=tour, stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, text=True)
    try:
        line = preview.stdout.readline()
        port = int(line.rsplit("127.0.0.1:", 1)[1].split("/")[0])
        print("== slow clients: 100 trickling, 1,000 idle")
        times, idle = slow_clients(port)
        time.sleep(6)  # the slow ones cut off, or not
        print("== header flood: 300 MiB over 16 connections")
        before = peak_kib(preview.pid)
        flood(port, 300 * 1024 * 1024)
        after = peak_kib(preview.pid)
        still = ask(port, 12)
        print("normal requests with 100 slow and %d idle connections: %s" % (idle, ", ".join(times)))
        print("peak memory before and after the flood: %.1f MiB, %.1f MiB" % (before / 1024, after / 1024))
        print("normal request after the flood: %s" % ("timeout" if still is None else "%.3f s" % still))
    finally:
        preview.terminate()
        try:
            preview.wait(5)
        except subprocess.TimeoutExpired:
            preview.kill()
            preview.wait()
        shutil.rmtree(work, ignore_errors=True)


main()
