#!/usr/bin/env python3
"""A network that turns slow on demand, between the program and its server: forwards each
connection it accepts on the loopback to HOST:PORT, at once until it gets SIGUSR1, and from then
on holding each request for DELAY seconds before it goes on (on a kept connection too), so that
a request lasts long enough for what the program shows meanwhile to be seen (and heard). Prints
the port it listens on, then serves until it is stopped.

usage: slow_forwarder.py HOST:PORT DELAY
"""
import signal
import socket
import sys
import threading
import time


def pipe(source, sink, on_data):
    try:
        while data := source.recv(65536):
            on_data()
            sink.sendall(data)
    except OSError:
        pass
    finally:
        for end in (source, sink):
            try:
                end.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


slow = threading.Event()


def serve(client, upstream, delay):
    try:
        server = socket.create_connection(upstream, timeout=10)
    except OSError:
        client.close()
        return
    server.settimeout(None)
    # What the client sends first, or after a reply, is its next request: that is held.
    state = {"replied": True}

    def request_data():
        if state["replied"] and slow.is_set():
            time.sleep(delay)
            state["replied"] = False

    def reply_data():
        state["replied"] = True

    threading.Thread(target=pipe, args=(server, client, reply_data), daemon=True).start()
    pipe(client, server, request_data)


def main():
    host, port = sys.argv[1].rsplit(":", 1)
    upstream, delay = (host, int(port)), float(sys.argv[2])
    signal.signal(signal.SIGUSR1, lambda *_: slow.set())
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    print(listener.getsockname()[1], flush=True)
    while True:
        client, _ = listener.accept()
        threading.Thread(target=serve, args=(client, upstream, delay), daemon=True).start()


if __name__ == "__main__":
    main()
