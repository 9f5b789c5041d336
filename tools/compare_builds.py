#!/usr/bin/env python3
"""Runs two tourwright executables on the same generated scripts and
compares everything they produce: standard output, standard error, the exit
status and every file left in the tour folder, byte for byte.

    python3 tools/compare_builds.py OLD_EXE NEW_EXE [COUNT] [-- OPTIONS...]

The scripts are the example tour in every encoding (ANSI, UTF-8, UTF-16 BE
and LE, each with LF and CR LF) and COUNT (default 300) seeded mutations of
it: lines dropped, repeated or swapped, bytes changed, lines cut, long
captions, lines past 64 KiB, odd tile XML files, each saved in a random
encoding. OPTIONS, when
given, are passed to both executables before the script. Prints the first
differences and exits 1 when any run differs.

With --gallery-video-names first, the new executable's renamed gallery
videos (GalleryVideo-<I>, the old GalleryObject-<I+1>) and its warnings
about names the viewer cannot hold are taken back before comparing: what
is left must be the same byte for byte.
"""
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EXAMPLE = os.path.join(ROOT, "examples", "palace")


def encode(text_cp949, encoding, crlf):
    data = text_cp949.replace(b"\r\n", b"\n")
    if crlf:
        data = data.replace(b"\n", b"\r\n")
    if encoding == "ansi":
        return data
    text = data.decode("cp949", errors="replace")
    if encoding == "utf8":
        return b"\xef\xbb\xbf" + text.encode("utf-8")
    if encoding == "utf16be":
        return b"\xfe\xff" + text.encode("utf-16-be")
    return b"\xff\xfe" + text.encode("utf-16-le")


def mutate(rng, data):
    lines = data.split(b"\n")
    for _ in range(rng.randint(1, 6)):
        if not lines:
            break
        i = rng.randrange(len(lines))
        what = rng.randrange(9)
        if what == 0:
            del lines[i]
        elif what == 1:
            lines.insert(i, lines[rng.randrange(len(lines))])
        elif what == 2:
            j = rng.randrange(len(lines))
            lines[i], lines[j] = lines[j], lines[i]
        elif what == 3 and lines[i]:
            b = bytearray(lines[i])
            b[rng.randrange(len(b))] = rng.randrange(256)
            lines[i] = bytes(b)
        elif what == 4 and lines[i]:
            lines[i] = lines[i][: rng.randrange(len(lines[i]))]
        elif what == 5:
            lines[i] += b" $" + bytes([rng.choice(b"xU+&#;<\"'\xb0\xa1")]) * rng.randint(1, 700)
        elif what == 6:
            lines[i] = lines[i].replace(b" ", b"\t")
        elif what == 7:
            # A run that takes the line past the reader's 64 KiB block,
            # somewhere in its fields, its digits or its caption.
            at = rng.randrange(len(lines[i]) + 1)
            run = rng.choice([b" ", b"\t", b"0", b"9", b"x", b"\0", b"$", b"\xb0\xa1", b"&#1",
                              b"U+AC00", b"\xed\x99\xa9"]) * rng.randint(70000, 140000)
            lines[i] = lines[i][:at] + run[:rng.randint(65000, len(run))] + lines[i][at:]
        else:
            lines.insert(i, rng.choice([b"#SCENE", b"#CROSSLINK", b"#GALLERY", b"#VIDEO",
                                        b"#STILL", b"#OUTLINK", b"#REFERENCE", b"#OTHER",
                                        b"* gal 1 2 $G", b"obj.jpg 1 1 $O", b"// c", b""]))
    return b"\n".join(lines)


def tile_variant(rng, data):
    what = rng.randrange(5)
    if what == 0:
        return data.replace(b"\n", b"\r\n")
    if what == 1:
        return data.replace(b"</image>", b"")
    if what == 2:
        return data.rstrip(b"\n")
    if what == 3:
        return b"\xef\xbb\xbf" + data.replace(b"cube", "큐브".encode("utf-8"), 1)
    return data


def run(exe, folder, options):
    result = subprocess.run([exe] + options + [os.path.join(folder, "palace.lst")],
                            capture_output=True, cwd=folder, timeout=60)
    files = {}
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        if os.path.isfile(path):
            with open(path, "rb") as f:
                files[name] = f.read()
    return result.returncode, result.stdout, result.stderr, files


def undo_gallery_video_names(outcome):
    code, out, err, files = outcome
    renamed = lambda m: b"GalleryObject-%d" % (int(m.group(1)) + 1)
    files = {k: re.sub(rb"GalleryVideo-(\d+)", renamed, v) for k, v in files.items()}
    kept = [line for line in err.split(b"\n")
            if b"begins with a digit" not in line and b"ends a name in the viewer" not in line]
    count = sum(1 for line in kept if b": warning: " in line)
    err = re.sub(rb": \d+ warnings?\n", lambda m: b": %d warning%s\n" % (count, b"" if count == 1 else b"s"),
                 b"\n".join(kept)) if count else b"\n".join(l for l in kept if not re.search(rb": \d+ warnings?$", l))
    return code, out, err, files


def main():
    args = sys.argv[1:]
    gallery_video_names = args[:1] == ["--gallery-video-names"]
    args = args[1:] if gallery_video_names else args
    options = []
    if "--" in args:
        options = args[args.index("--") + 1:]
        args = args[: args.index("--")]
    old, new = os.path.abspath(args[0]), os.path.abspath(args[1])
    count = int(args[2]) if len(args) > 2 else 300
    with open(os.path.join(EXAMPLE, "palace.lst"), "rb") as f:
        script = f.read()
    tiles = {}
    for name in ("hall.xml", "court.xml"):
        with open(os.path.join(EXAMPLE, name), "rb") as f:
            tiles[name] = f.read()
    cases = [(script, e, c, dict(tiles)) for e in ("ansi", "utf8", "utf16be", "utf16le")
             for c in (False, True)]
    rng = random.Random(20261209)
    for _ in range(count):
        variant = {k: tile_variant(rng, v) for k, v in tiles.items()}
        if rng.random() < 0.1:
            del variant[rng.choice(list(variant))]
        cases.append((mutate(rng, script), rng.choice(["ansi", "ansi", "utf8", "utf16be",
                                                         "utf16le"]),
                      rng.random() < 0.3, variant))
    differing = 0
    with tempfile.TemporaryDirectory() as scratch:
        for number, (text, encoding, crlf, variant) in enumerate(cases):
            outcomes = []
            for side in ("a", "b"):
                folder = os.path.join(scratch, side)
                shutil.rmtree(folder, ignore_errors=True)
                os.makedirs(folder)
                with open(os.path.join(folder, "palace.lst"), "wb") as f:
                    f.write(encode(text, encoding, crlf))
                for name, data in variant.items():
                    with open(os.path.join(folder, name), "wb") as f:
                        f.write(data)
                code, out, err, files = run(old if side == "a" else new, folder, options)
                # The folders differ only in their last letter.
                fix = lambda b: b.replace(os.path.join(scratch, side).encode(), b"@")
                outcomes.append((code, fix(out), fix(err), files))
            if gallery_video_names:
                outcomes[1] = undo_gallery_video_names(outcomes[1])
            if outcomes[0] != outcomes[1]:
                differing += 1
                if differing <= 5:
                    a, b = outcomes
                    what = [n for n, x, y in zip(("status", "stdout", "stderr", "files"), a, b)
                            if x != y]
                    print(f"case {number} ({encoding}{', CR LF' if crlf else ''}) differs in "
                          f"{', '.join(what)}")
    print(f"{len(cases)} scripts, {differing} differing")
    return 1 if differing else 0


if __name__ == "__main__":
    sys.exit(main())
