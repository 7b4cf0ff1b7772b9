"""mido, the Python MIDI library, reads a full library saved by Patchwarden as
the messages Patchwarden wrote, and Patchwarden loads a file that mido writes
into the same tree.

Usage: mido_library_file_test.py LIBRARY_FILE_TOOL
"""

import pathlib
import subprocess
import sys
import tempfile

try:
    import mido
except ImportError:
    sys.exit("mido is missing: apt-get install python3-mido (and run this with /usr/bin/python3)")

PROGRAM_BANKS, MIX_BANKS, ENTRIES = 19, 18, 128
HEADER = (0x00, 0x00, 0x0E, 0x1D)


def expected_dumps():
    """(opcode, bank, number, length) of every message of the full library, in tree order."""
    dumps = [(0x00, bank, number, 2350) for bank in range(PROGRAM_BANKS) for number in range(ENTRIES)]
    dumps += [(0x04, bank, number, 1180) for bank in range(MIX_BANKS) for number in range(ENTRIES)]
    return dumps + [(0x08, None, None, 18183)]


def described(message):
    data = message.data
    if tuple(data[:4]) != HEADER:
        return ("foreign", None, None, len(data) + 2)
    if data[4] == 0x08:
        return (0x08, None, None, len(data) + 2)
    return (data[4], data[5], data[6], len(data) + 2)


def main():
    tool = sys.argv[1]
    failures = []
    with tempfile.TemporaryDirectory() as folder:
        saved = pathlib.Path(folder) / "saved.syx"
        subprocess.run([tool, "save", str(saved)], check=True)

        messages = mido.read_syx_file(str(saved))
        want = expected_dumps()
        if len(messages) != len(want):
            failures.append(f"mido read {len(messages)} messages, not {len(want)}")
        if any(message.type != "sysex" for message in messages):
            failures.append("mido read messages that are not SysEx")
        got = [described(message) for message in messages]
        if got != want:
            first = next((i for i, (g, w) in enumerate(zip(got, want)) if g != w), min(len(got), len(want)))
            failures.append(f"message {first} reads as {got[first:first + 1]}, expected {want[first:first + 1]}")
        if b"".join(bytes(message.bin()) for message in messages) != saved.read_bytes():
            failures.append("the messages mido read are not the bytes of the file")

        written = pathlib.Path(folder) / "written.syx"
        mido.write_syx_file(str(written), [mido.Message("sysex", data=message.data) for message in messages])
        if subprocess.run([tool, "check", str(written)]).returncode != 0:
            failures.append("the file mido wrote does not load into the saved library's tree")

    for failure in failures:
        print("FAIL:", failure)
    if not failures:
        print(f"mido read and wrote the {len(want)} messages of the full library")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
