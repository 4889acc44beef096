#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks that every file under src/ includes headers only of its own folder
# and of the folders below it (docs/ARCHITECTURE.md), and that below app/
# only the windows reach the current session's meter through its global
# names (gMeter, gUsbHid, gDevice, gFsm): the rest is handed its meter.
# The link, the protocol, the records, storage and common open no message
# box (their windows aside): they say what happened by status or event, and
# the words are chosen above. The link and tx (its windows aside) word no
# sentence for the user either; the link's status log is its own.
# Prints each offending include or use and exits 1; exits 0 when there is none.
#   python3 scripts/layers.py [SOURCE-ROOT]     (default: this checkout's src)
import os
import re
import sys

BELOW = {
    'common': set(),
    'usb': {'common'},
    'sim': {'usb'},
    'protocol': {'usb'},
    'records': {'protocol'},
    'listview': {'usb'},
    'storage': {'common'},
    'tx': {'records', 'listview'},
    'saveddata': {'tx', 'records', 'listview', 'storage'},
    'app': {'saveddata', 'tx', 'storage', 'listview', 'records', 'sim'},
    'cli': {'app'},
}


def allowed(folder):
    seen = set()
    todo = [folder]
    while todo:
        for below in BELOW.get(todo.pop(), ()):
            if below not in seen:
                seen.add(below)
                todo.append(below)
    return seen


# The meter's global names, and the files that may read them: app/ and the
# windows (frm*, *Gui).
METER_GLOBAL = re.compile(r'\bg(Meter|UsbHid|Device|Fsm)\b')


def may_read_meter_globals(folder, name):
    stem = os.path.splitext(name)[0]
    return folder == 'app' or stem.startswith('frm') or stem.endswith('Gui')


def meter_global_uses(text):
    """Lines that read a meter global (its declaration and definition aside)."""
    for number, line in enumerate(text.splitlines(), 1):
        code = line.split('//', 1)[0]
        if not METER_GLOBAL.search(code) or code.lstrip().startswith('extern '):
            continue
        if re.match(r'^\s*\w+\s*\*\s*g\w+\s*=\s*nullptr\s*;', code):
            continue
        yield number


# Folders that never open a box themselves, and the box seam they may define.
# Their windows (the file dialogs) may: they are the user's side already.
NO_BOXES = {'usb', 'protocol', 'records', 'storage', 'common'}
BOX_SEAM = {'modMsgBox.h', 'modMsgBox.cpp'}


def is_window(name):
    """A window source, as src/CMakeLists.txt sorts them (frmUsbHid is the link's timer)."""
    stem = os.path.splitext(name)[0]
    return ((stem.startswith('frm') and stem != 'frmUsbHid') or stem in ('modWin', 'modFile', 'modLV')
            or stem.startswith('modShowListView') or stem.endswith('Gui'))
BOX_CALL = re.compile(r'\bMsgBox(Later)?\s*\(')


def box_calls(text):
    for number, line in enumerate(text.splitlines(), 1):
        if BOX_CALL.search(line.split('//', 1)[0]):
            yield number


# Folders whose files (windows aside) word no sentence: a string of three or
# more words outside the link's status log, assertions and object names.
NO_SENTENCES = {'usb', 'tx', 'storage', 'protocol', 'records', 'common'}
# Statements whose words are the status log's, an assertion's or a name.
LOGGED = re.compile(r'\b(LogUsbStatus|AppendUsbStatus|DropReply|static_assert|setObjectName)\s*\(')
TOKEN = re.compile(r'"(?:[^"\\\n]|\\.)*"|\'(?:[^\'\\\n]|\\.)+\'|//[^\n]*|/\*.*?\*/', re.S)
SENTENCE = re.compile(r"[A-Za-z]+(?: [A-Za-z'-]+){2,}")


def sentences(text):
    for m in TOKEN.finditer(text):
        token = m.group(0)
        if not token.startswith('"') or not SENTENCE.search(token):
            continue
        before = text[:m.start()]
        statement = before[max(before.rfind(c) for c in ';{}') + 1:]
        if not LOGGED.search(statement):
            yield before.count('\n') + 1


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'src')
    include = re.compile(r'^\s*#\s*include\s+"([A-Za-z0-9_]+)/', re.M)
    bad = []
    for folder in sorted(os.listdir(root)):
        if not os.path.isdir(os.path.join(root, folder)):
            continue
        if folder not in BELOW:
            bad.append(f'{folder}/: a folder with no place in the layers')
            continue
        ok = allowed(folder) | {folder}
        for path, _, files in os.walk(os.path.join(root, folder)):
            for name in sorted(files):
                if not name.endswith(('.h', '.hpp', '.cpp', '.cc')):
                    continue
                full = os.path.join(path, name)
                with open(full, errors='replace') as f:
                    text = f.read()
                for target in include.findall(text):
                    if target not in ok and os.path.isdir(os.path.join(root, target)):
                        bad.append(f'{os.path.relpath(full, root)}: includes {target}/')
                if folder in NO_BOXES and name not in BOX_SEAM and not is_window(name):
                    for number in box_calls(text):
                        bad.append(f'{os.path.relpath(full, root)}:{number}: opens a message box; tell it by status')
                if folder in NO_SENTENCES and not is_window(name):
                    for number in sentences(text):
                        bad.append(f'{os.path.relpath(full, root)}:{number}: words a sentence; choose the words above')
                if not may_read_meter_globals(folder, name):
                    for number in meter_global_uses(text):
                        bad.append(f'{os.path.relpath(full, root)}:{number}: reads a meter global; hand it the meter')
    for line in bad:
        print(line)
    return 1 if bad else 0


if __name__ == '__main__':
    sys.exit(main())
