#!/usr/bin/env python3
# Doxygen input filter: the engine's headers are commented with plain // lines
# (house style), which Doxygen ignores. This turns them into documentation
# comments on the way in, without touching the files:
# - the opening block of a header becomes the file's description, kept as
#   written (verbatim: it holds usage lines and lists laid out by hand);
# - a run of // lines right above a declaration documents that declaration;
# - a // comment after a member or enum value on the same line documents it.
# Line numbers are preserved, so Doxygen's warnings point at the real lines.
import re
import sys

TRAILING = re.compile(r'^([^"/]*?[;,{]|\s*\w+(\s*=\s*[^"/]+?)?)(\s+)//\s?(.*)$')


def main(path):
    with open(path, encoding='utf-8') as f:
        lines = f.read().split('\n')
    out = list(lines)

    # The opening block.
    n = 0
    while n < len(lines) and lines[n].startswith('//'):
        n += 1
    if n:
        for i in range(n):
            text = lines[i][2:]
            if text.startswith(' '):
                text = text[1:]
            out[i] = text
        out[0] = '/** @verbatim ' + out[0]
        out[n - 1] = out[n - 1] + ' @endverbatim @file */'

    i = n
    while i < len(lines):
        line = lines[i]
        stripped = line.lstrip()
        if stripped.startswith('//') and not stripped.startswith('///'):
            j = i
            while j < len(lines) and lines[j].lstrip().startswith('//'):
                j += 1
            follows = lines[j].strip() if j < len(lines) else ''
            if follows and not follows.startswith(('#', '}', 'namespace', 'public:', 'private:', 'protected:')):
                for k in range(i, j):
                    indent = lines[k][:len(lines[k]) - len(lines[k].lstrip())]
                    out[k] = indent + '///' + lines[k].lstrip()[2:]
            i = j
            continue
        m = TRAILING.match(line)
        if m and not stripped.startswith(('#', 'return', 'if', 'for', 'while')):
            out[i] = m.group(1) + m.group(3) + '///< ' + m.group(4)
        i += 1
    sys.stdout.write('\n'.join(out))


if __name__ == '__main__':
    main(sys.argv[1])
