#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Lists the public data members of the classes and structs declared in the
# headers under src/ (non-static data declared in a public section, or in a
# struct before any access label; types nested in a non-public section are
# not public) and exits 1 when a type not in PLAIN_DATA has one. A
# brace-matching scan, no compiler (comments and strings blanked as in
# funclen.py).
#   python3 scripts/publicdata.py [SOURCE-ROOT] [--all]
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from funclen import blank, matching  # noqa: E402

# Deliberate plain data: values whose members vary independently, no invariant.
PLAIN_DATA = {
    'HidDeviceInfo': 'what enumeration tells of one HID device',
    'HidCapabilities': 'the report lengths and counts a descriptor gives',
    'HidReportDescriptorInfo': 'what a report descriptor parse found',
    'FirmwareProfile': 'one row of the firmware table',
    'CountReply': 'the count reply taken last and its store',
    'CountProblem': 'a count reply that could not be read, for the words at the top',
    'TxFileProblem': 'what a Tx file could not give, for the words at the top',
    'TxRestoreNote': 'one note of a Tx restore, for the words at the top',
    'TxFieldCheck': 'what a Tx field check found, for the words at the top',
    'DemoScenario': 'the demo meter\'s identity, contents, timing and faults, each set alone',
    'FieldSpan': 'where one field lies in a reply',
    'TwipRect': 'a window rectangle in twips',
    'FileDialogRequest': 'the file dialog seam\'s question',
    'FileDialogAnswer': 'the file dialog seam\'s answer',
    'SaveProposal': 'the folder and name the save dialog offers',
    'SortKey': 'one cell\'s comparison key',
    'ListColumn': 'one list column: heading, alignment, sort kind',
    'ListRow': 'one list row: cells, key, value',
    'clsTxEntries': 'the session\'s Tx entries, owned, no rule between them',
    'TxResult': 'what one Tx change did',
    'TxMessage': 'a message\'s words and title',
    'TxFileEntry': 'one line of a Tx file, split',
    'TxRestoreNote': 'one line\'s note in a restore',
    'TxRestoreSummary': 'the counts and notes of a restore',
    'DownloadRequest': 'the arguments of one download',
    'MapExport': 'what a map export wrote and skipped',
    'CliOptions': 'the command line, parsed',
    'SurveyNumber': 'one survey cell as text and number',
    'SurveyRecord': 'one survey CSV record, parsed',
    'SurveyCsv': 'a survey CSV file, parsed',
    'FieldPlotRecord': 'one record as the field plot takes it',
    'FieldPlotSeries': 'one series of the field plot',
    'FieldPlot': 'the field plot\'s series and axes',
    'FieldPlotSeriesKey': 'what groups records into a series',
    'ChartStep': 'one drawing step of a chart',
    'ChartDrawing': 'a chart as drawing steps',
    'GroundParameters': 'the ground wave model\'s inputs',
    'RadialFitSettings': 'the radial fit\'s limits',
    'RadialPoint': 'one measured point of a radial',
    'RadialFit': 'the result of fitting one radial',
    'EffectiveField': 'one station\'s effective field',
    'RadialAnalysis': 'the fits of every radial',
    'RadialSeries': 'a fit with its points',
}

TYPE_HEAD = re.compile(r'\b(class|struct|union)\s+(?:\w+\s+)*?(\w+)\s*(?:final\s*)?(?::[^{;]*)?$')
LABEL = re.compile(r'^\s*(public|protected|private|signals|Q_SIGNALS)\s*(?:slots|Q_SLOTS)?\s*:(?!:)')
MACRO = re.compile(r'^\s*(Q_OBJECT|Q_GADGET|Q_(?:PROPERTY|ENUM|FLAG|DECLARE_\w+)\s*\([^)]*\))')
NOT_DATA = re.compile(r'^\s*(static|constexpr|using|typedef|friend|enum|template|'
                      r'virtual|explicit|~|class\s+\w+\s*$|struct\s+\w+\s*$)|\boperator\b')


def without_templates(s):
    while True:
        t = re.sub(r'<[^<>;{}]*>', '', s)
        if t == s:
            return s
        s = t


def members(code, begin, end, is_struct, exposed, scope, found):
    """Adds (scope, name) of each public data member of the body code[begin:end]."""
    access = 'public' if is_struct else 'private'
    stmt, i = '', begin
    while i < end:
        c = code[i]
        if c == '{':
            close = matching(code, i)
            head = without_templates(stmt)
            nested = TYPE_HEAD.search(head.split('=')[0])
            if nested and not re.search(r'\benum\b', head):
                members(code, i + 1, close, nested.group(1) != 'class',
                        exposed and access == 'public', scope + '::' + nested.group(2), found)
            i = close + 1
            if '(' in head.split('=')[0] and not nested:
                stmt = ''  # a function body ends the declaration
            else:
                stmt = head + ' {} '
            continue
        if c == ';':
            decl(stmt, access, exposed, scope, found)
            stmt = ''
        else:
            stmt += c
            while True:
                m = LABEL.match(stmt) or MACRO.match(stmt)
                if not m:
                    break
                if m.re is LABEL:
                    access = m.group(1)
                stmt = stmt[m.end():]
        i += 1


def decl(stmt, access, exposed, scope, found):
    stmt = without_templates(stmt).strip()
    stmt = re.sub(r'^(struct|class|union)\s+\w*\s*\{\}', '', stmt).strip()
    if access != 'public' or not exposed or not stmt or NOT_DATA.search(stmt):
        return
    if '(' in re.split(r'=|\{', stmt)[0]:
        return  # a function
    for part in re.sub(r'\([^()]*\)|\{[^{}]*\}', '', stmt).split(','):
        name = re.findall(r'(\w+)\s*(?:\[[^\]]*\]\s*)*(?:=.*|:\s*\d+)?$', part.strip())
        if name:
            found.append((scope, name[0]))


def scan(code, path, found):
    stmt_start, i = 0, 0
    while i < len(code):
        c = code[i]
        if c in ';}':
            stmt_start = i + 1
        elif c == '{':
            head = without_templates(code[stmt_start:i])
            close = matching(code, i)
            m = TYPE_HEAD.search(head)
            if re.search(r'\b(namespace|extern)\b', head) and '(' not in head:
                stmt_start = i + 1
                i += 1
                continue
            if m and not re.search(r'\benum\b|\(', head):
                members(code, i + 1, close, m.group(1) != 'class', True, m.group(2), found)
            i, stmt_start = close, close + 1
        i += 1


def main(argv):
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'src')
    show_all = '--all' in argv
    root = next((a for a in argv if not a.startswith('--')), root)
    found = []
    for folder, _dirs, files in sorted(os.walk(root)):
        for f in sorted(files):
            if f.endswith('.h'):
                with open(os.path.join(folder, f), encoding='utf-8', errors='replace') as fh:
                    scan(blank(fh.read()), f, found)
    bad = [(s, n) for s, n in found if s.split('::')[-1] not in PLAIN_DATA]
    for scope, name in (found if show_all else bad):
        print('%s::%s' % (scope, name))
    print('%d public data members in %d types (%d in %d types not plain data)' % (
        len(found), len({s for s, _ in found}), len(bad), len({s for s, _ in bad})))
    return 1 if bad else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
