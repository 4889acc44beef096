#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Lists every function under src/ longer than the limit (80 lines, from the
# line of its name to its closing brace) and exits 1 when there is one;
# exits 0 when there is none. A brace-matching scan, no compiler: comments,
# strings and character literals are blanked first; namespace, class, struct
# and extern blocks are looked into, function bodies (lambdas included) count
# as a whole.
#   python3 scripts/funclen.py [SOURCE-ROOT] [--limit N] [--all]
import os
import re
import sys

LIMIT = 80
SOURCE_SUFFIXES = ('.cpp', '.h')
SCOPE = re.compile(r'\b(namespace|class|struct|union|extern)\b')
NOT_A_FUNCTION = re.compile(r'\b(enum|class|struct|union|namespace)\b|=\s*$')


def blank(text):
    """Comments, strings and character literals replaced by spaces; the
    newlines stay, so line numbers do not move."""
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        two = text[i:i + 2]
        if two == '//':
            j = text.find('\n', i)
            j = n if j < 0 else j
            out.append(' ' * (j - i))
            i = j
        elif two == '/*':
            j = text.find('*/', i + 2)
            j = n if j < 0 else j + 2
            out.append(re.sub(r'[^\n]', ' ', text[i:j]))
            i = j
        elif c == 'R' and text[i:i + 2] == 'R"':
            m = re.match(r'R"([^(\s]*)\(', text[i:])
            if not m:
                out.append(c)
                i += 1
                continue
            end = ')' + m.group(1) + '"'
            j = text.find(end, i + m.end())
            j = n if j < 0 else j + len(end)
            out.append(re.sub(r'[^\n]', ' ', text[i:j]))
            i = j
        elif c in '"\'':
            # a digit separator (1'000) is no literal
            if c == "'" and i > 0 and text[i - 1].isalnum() and \
                    i + 1 < n and text[i + 1].isalnum() and text[i - 1].isdigit():
                out.append(' ')
                i += 1
                continue
            j = i + 1
            while j < n and text[j] != c and text[j] != '\n':
                j += 2 if text[j] == '\\' else 1
            j = min(j + 1, n)
            out.append(re.sub(r'[^\n]', ' ', text[i:j]))
            i = j
        elif c == '#' and (i == 0 or text[i - 1] == '\n'):
            # a preprocessor line, with its continuations
            j = i
            while True:
                k = text.find('\n', j)
                if k < 0:
                    k = n
                    break
                if text[k - 1] != '\\':
                    break
                j = k + 1
            out.append(re.sub(r'[^\n]', ' ', text[i:k]))
            i = k
        else:
            out.append(c)
            i += 1
    return ''.join(out)


def functions(text):
    """(name, first line, line count) of each function defined in text."""
    code = blank(text)
    found = []
    header_start = 0  # where the declaration before the next '{' begins
    i, n = 0, len(code)
    while i < n:
        c = code[i]
        if c in ';}':
            header_start = i + 1
        elif c == '{':
            header = code[header_start:i]
            if SCOPE.search(header) and ')' not in header.split('{')[-1]:
                header_start = i + 1  # look inside the block
            elif ')' in header and not NOT_A_FUNCTION.search(header.strip()):
                end = matching(code, i)
                name = function_name(header)
                first = header_start + len(header) - len(header.lstrip())
                first_line = code.count('\n', 0, first) + 1
                last_line = code.count('\n', 0, end) + 1
                found.append((name, first_line, last_line - first_line + 1))
                i = end
                header_start = end + 1
            else:
                # an initializer list, enum or array: skip it whole
                i = matching(code, i)
                header_start = i + 1
        i += 1
    return found


def matching(code, open_at):
    depth = 0
    for j in range(open_at, len(code)):
        if code[j] == '{':
            depth += 1
        elif code[j] == '}':
            depth -= 1
            if depth == 0:
                return j
    return len(code) - 1


def function_name(header):
    before_paren = header[:header.find('(')] if '(' in header else header
    words = re.findall(r'[~\w:]+(?:\s*operator\s*\S+)?', before_paren)
    return words[-1] if words else '?'


def main(argv):
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'src')
    limit = LIMIT
    show_all = False
    args = list(argv)
    while args:
        a = args.pop(0)
        if a == '--limit':
            limit = int(args.pop(0))
        elif a == '--all':
            show_all = True
        else:
            root = a
    long_ones = []
    for folder, _dirs, files in os.walk(root):
        for f in sorted(files):
            if not f.endswith(SOURCE_SUFFIXES):
                continue
            path = os.path.join(folder, f)
            with open(path, encoding='utf-8', errors='replace') as fh:
                text = fh.read()
            for name, line, count in functions(text):
                if show_all or count > limit:
                    long_ones.append((count, os.path.relpath(path, root), line, name))
    for count, path, line, name in sorted(long_ones, reverse=True):
        print('%s:%d: %s is %d lines' % (path, line, name, count))
    return 1 if any(c > limit for c, *_ in long_ones) else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
