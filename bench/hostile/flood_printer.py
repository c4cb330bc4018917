#!/usr/bin/env python3
"""A printer on 127.0.0.1:PORT that answers status requests and, once automatic status back is
switched on, sends status frames flipping the cover open and closed as fast as TCP takes them.
Used to measure the bench under a status flood: flood_printer.py PORT"""
import socket
import sys
import threading

FRAMES = b"\x10\x00\x00\x00\x30\x00\x00\x00" * 8192


def serve(conn):
    lock = threading.Lock()
    flooding = threading.Event()

    def flood():
        flooding.wait()
        try:
            while True:
                with lock:
                    conn.sendall(FRAMES)
        except OSError:
            pass

    threading.Thread(target=flood, daemon=True).start()
    seen = b""
    try:
        while True:
            data = conn.recv(65536)
            if not data:
                break
            seen = (seen + data)[-4096:]
            replies = b""
            for i in range(len(data)):
                if data[i:i + 2] == b"\x10\x04":
                    replies += b"\x12"
                elif data[i:i + 2] == b"\x1dr":
                    replies += b"\x00"
            if b"\x1da\x0f" in data:
                flooding.set()
            if replies:
                with lock:
                    conn.sendall(replies)
    except OSError:
        pass


def main():
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", int(sys.argv[1])))
    server.listen()
    while True:
        conn, _ = server.accept()
        threading.Thread(target=serve, args=(conn,), daemon=True).start()


if __name__ == "__main__":
    main()
