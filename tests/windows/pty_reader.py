#!/usr/bin/env python3
"""A minimal reader on pseudo-terminals, for the Windows tests under wine.

Each --port NAME=PATH makes a pty and a symlink PATH to its slave; wine's COM ports are mapped to those
paths. On every pty the helper answers:
  "H00B"   the 16-byte reply LF H <id> B <serial> <checksum> CR, the serial being "202400" + the port
           number in two digits, so a test can tell which device it reached
  "?BAUD"  LF "?" <baud> <checksum> CR: the baud rate of the slave's termios now (read on the master,
           which shares them; a pty keeps no parity, so there is none to report)
  "?HANGUP" no answer: the pty goes away as an unplugged adapter would, and a fresh one takes its path
Frames must be TAB, text, two upper-case checksum digits (0x09 XOR the text), CR; anything else is
ignored. --silent NAME=PATH makes a pty that reads everything and answers nothing; --echo NAME=PATH one that
answers as --port does, after sending every byte it reads straight back, as a 2-wire RS485 converter that
hears itself.
When every pty is up, the helper writes its pid to --ready and serves until SIGTERM.
"""

import argparse
import os
import select
import signal
import sys
import termios
import tty

SPEEDS = {getattr(termios, "B%d" % b): b for b in
          (300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400)}


def hex2(value):
    return b"%02X" % value


def reply(body):
    frame = b"\n" + body
    checksum = 0
    for b in frame:
        checksum ^= b
    return frame + hex2(checksum) + b"\r"


class Pty:
    def __init__(self, name, path, silent, echo=False):
        self.name = name
        self.path = path
        self.silent = silent
        self.echo = echo
        self.rx = b""
        self.generation = 0
        self.open()

    def open(self):
        self.generation += 1
        self.master, self.slave = os.openpty()
        # Raw from the start: an echoing slave would send the host's frame straight back to it.
        tty.setraw(self.slave)
        attrs = termios.tcgetattr(self.slave)
        attrs[4] = attrs[5] = termios.B9600
        termios.tcsetattr(self.slave, termios.TCSANOW, attrs)
        # Replaced in one step, so that an open never finds the path missing.
        os.symlink(os.ttyname(self.slave), self.path + ".new")
        os.replace(self.path + ".new", self.path)

    def hang_up(self):
        os.close(self.master)
        os.close(self.slave)
        self.rx = b""
        self.open()

    def baud(self):
        return SPEEDS.get(termios.tcgetattr(self.master)[5], 0)

    def answer(self, text):
        if self.silent:
            return b""
        if text == b"H00B":
            number = int("".join(c for c in self.name if c.isdigit()) or "0")
            return reply(b"H01B" + b"202400%02d" % (number % 100))
        if text == b"?BAUD":
            return reply(b"?%d" % self.baud())
        return b""

    def readable(self):
        try:
            data = os.read(self.master, 4096)
        except OSError:
            return
        if self.echo:
            os.write(self.master, data)
        generation = self.generation
        for byte in data:
            if self.generation != generation:
                break  # hung up: the rest went with the old pty
            b = bytes([byte])
            if b == b"\t":
                self.rx = b
            elif self.rx:
                self.rx += b
                if b == b"\r":
                    self.frame(self.rx)
                    self.rx = b""
                elif len(self.rx) > 300:
                    self.rx = b""

    def frame(self, frame):
        text, digits = frame[1:-3], frame[-3:-1]
        checksum = 0x09
        for b in text:
            checksum ^= b
        if digits != hex2(checksum):
            return
        if text == b"?HANGUP" and not self.silent:
            self.hang_up()
            return
        out = self.answer(text)
        if out:
            os.write(self.master, out)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", action="append", default=[], help="NAME=PATH of an answering pty")
    parser.add_argument("--silent", action="append", default=[], help="NAME=PATH of a silent pty")
    parser.add_argument("--echo", action="append", default=[], help="NAME=PATH of an answering pty that echoes")
    parser.add_argument("--ready", required=True, help="file that receives the pid once all is up")
    args = parser.parse_args()

    ptys = []
    for mappings, silent, echo in ((args.port, False, False), (args.silent, True, False), (args.echo, False, True)):
        for mapping in mappings:
            name, _, path = mapping.partition("=")
            ptys.append(Pty(name, path, silent, echo))

    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    signal.signal(signal.SIGINT, lambda *_: sys.exit(0))
    with open(args.ready + ".tmp", "w") as f:
        f.write("%d\n" % os.getpid())
    os.replace(args.ready + ".tmp", args.ready)

    try:
        while True:
            by_fd = {p.master: p for p in ptys}
            ready, _, _ = select.select(list(by_fd), [], [])
            for fd in ready:
                by_fd[fd].readable()
    finally:
        for p in ptys:
            if os.path.islink(p.path):
                os.unlink(p.path)
        if os.path.exists(args.ready):
            os.unlink(args.ready)


if __name__ == "__main__":
    main()
