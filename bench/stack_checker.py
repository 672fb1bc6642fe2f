#!/usr/bin/env python3
"""The textbook bracket checker, as a yardstick: reads all of standard input,
keeps the open brackets on a list, and prints the same verdict line."""
import sys

OPENING = frozenset(b"([{")
MATCH = {ord(")"): ord("("), ord("]"): ord("["), ord("}"): ord("{")}


def well_formed(data):
    stack = []
    for byte in data:
        if byte in OPENING:
            stack.append(byte)
        elif byte in MATCH:
            if not stack or stack.pop() != MATCH[byte]:
                return False
    return not stack


def main():
    good = well_formed(sys.stdin.buffer.read())
    print("Bon parenthesage" if good else "Mauvais parenthesage")


if __name__ == "__main__":
    main()
