#!/usr/bin/env python3
"""Writes the benchmark's patch packages and the peer installer's scripts.

For each case a folder <out>/<case> with:

  script.txt       a patch script finding the game through the Programs-menu
                   shortcut "mivaroBench\\Game.lnk" and naming every output
  background.bmp   the sample package's picture (600 x 300)
  payload/N        the payload files: random bytes, the same on every run
  names.txt        the output names, one a line, in payload order
  peer.nsi         an NSIS script for the same files, stored uncompressed,
                   that installs into C:\\mivaro-bench\\Game

The NSIS installer takes a time stamp (QueryPerformanceCounter) when its
section starts, shows a message box when the files are written, and then
writes the stamp to %TEMP%\\mivaro-bench-stamp.txt, so that its run can be
timed like the installer's: from the start of the work to the message box.

    python3 bench/make-packages.py <out-dir>
"""
import os
import random
import shutil
import sys

MIB = 1024 * 1024
KIB = 1024
# name: (number of payloads, bytes each)
CASES = {
    # What a run costs with next to nothing to write: pressing Start, one
    # file made, flushed and renamed, and the message box.
    'one-1B': (1, 1),
    'one-1MiB': (1, 1 * MIB),
    'one-64MiB': (1, 64 * MIB),
    'one-256MiB': (1, 256 * MIB),
    'files-1000x16KiB': (1000, 16 * KIB),
}
INSTALL_DIR = 'C:\\mivaro-bench\\Game'


def output_names(count):
    if count == 1:
        return ['payload.bin']
    return ['file{:04d}.bin'.format(n) for n in range(count)]


def script_bytes(case, names):
    lines = ['*Caption', '\tmivaroPatch ベンチマーク ' + case, '*GameTitle', '\tBenchGame', '*PatchType', '\t1',
             '%LinkPath', '\tmivaroBench\\Game.lnk', '%%', '%OutFiles']
    lines += ['\t' + name for name in names]
    lines.append('%%')
    return b''.join(line.encode('cp932') + b'\r\n' for line in lines)


def nsis_script(case, folder, names):
    def win(path):  # makensis runs on Linux: forward slashes are fine there
        return path
    out = ['Unicode true', 'Target amd64-unicode', 'SetCompress off', 'SetDatablockOptimize off',
           'Name "mivaroBench {}"'.format(case),
           'OutFile "{}"'.format(win(os.path.join(folder, 'peer.exe'))),
           'InstallDir "{}"'.format(INSTALL_DIR), 'RequestExecutionLevel user', 'ShowInstDetails nevershow',
           'Page directory', 'Page instfiles', '', 'Section',
           "  System::Call 'kernel32::QueryPerformanceCounter(*l .r0)'", '  SetOutPath $INSTDIR']
    for n, name in enumerate(names):
        out.append('  File "/oname={}" "{}"'.format(name, win(os.path.join(folder, 'payload', str(n)))))
    out += ['  MessageBox MB_OK "done"', '  FileOpen $1 "$TEMP\\mivaro-bench-stamp.txt" w', '  FileWrite $1 "$0"',
            '  FileClose $1', 'SectionEnd', '']
    return '\n'.join(out)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = os.path.abspath(sys.argv[1])
    background = os.path.join(root, 'resources', 'package', 'background.bmp')
    for case, (count, size) in CASES.items():
        folder = os.path.join(out, case)
        names = output_names(count)
        marker = os.path.join(folder, 'names.txt')
        if os.path.exists(marker) and os.path.exists(os.path.join(folder, 'payload', str(count - 1))):
            continue  # made before: the bytes are the same every time
        if os.path.exists(folder):
            shutil.rmtree(folder)
        rng = random.Random(case)
        for n in range(count):
            path = os.path.join(folder, 'payload', str(n))
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, 'wb') as f:
                for _ in range(0, size, MIB):  # in pieces: one call cannot make 256 MiB
                    f.write(rng.randbytes(min(MIB, size)))
        write(os.path.join(folder, 'script.txt'), script_bytes(case, names))
        shutil.copyfile(background, os.path.join(folder, 'background.bmp'))
        write(os.path.join(folder, 'peer.nsi'), nsis_script(case, folder, names).encode('utf-8'))
        write(marker, ('\n'.join(names) + '\n').encode('ascii'))
        print('make-packages: {} ({} x {} bytes)'.format(case, count, size))


if __name__ == '__main__':
    main()
