#!/usr/bin/env python3
"""Reads a wave file with Python's own wave module and prints what it found:
one line "channels rate width frames", then one line of the sample values.
A second, independent reader for the files the program writes."""
import sys
import wave


def main():
    with wave.open(sys.argv[1], "rb") as stream:
        channels = stream.getnchannels()
        width = stream.getsampwidth()
        frames = stream.getnframes()
        print(channels, stream.getframerate(), width, frames)
        data = stream.readframes(frames)
    values = [int.from_bytes(data[i:i + width], "little", signed=True)
              for i in range(0, len(data), width)]
    print(" ".join(str(value) for value in values))


if __name__ == "__main__":
    main()
