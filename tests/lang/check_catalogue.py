#!/usr/bin/env python3
"""Checks the English catalogue against the code.

check_catalogue.py SOURCE_DIR [LUPDATE]

Fails on: an unfinished, vanished or obsolete entry; a text in the code that
the catalogue lacks (lupdate is run into a temporary .ts and compared); a
%1/%n in the source missing from its translation or the other way round; two
translations of one context with the same accelerator (&X); a Cyrillic string
literal in user-facing code that is neither wrapped for translation nor listed
in tests/lang/stored_formats.txt.  Exits 77 (skipped) when lupdate is missing.
"""
import os, re, shutil, subprocess, sys, tempfile
import xml.etree.ElementTree as ET

root = sys.argv[1]
lupdate = sys.argv[2] if len(sys.argv) > 2 and sys.argv[2] else shutil.which('lupdate')
ts_path = os.path.join(root, 'translations', 'zorvik_en.ts')
allow_path = os.path.join(root, 'tests', 'lang', 'stored_formats.txt')
# Folders whose Cyrillic literals must be wrapped or listed.
USER_FACING = ['src/app', 'src/cli', 'src/ui', 'src/i18n', 'src/exchange', 'src/commands',
               'src/tables', 'src/profiles', 'src/relay', 'src/firmware', 'src/trends',
               'src/link', 'src/protocol', 'src/report', 'src/ports', 'src/sim']
failures = []


def read_ts(path):
    entries = {}
    for ctx in ET.parse(path).getroot().iter('context'):
        name = ctx.findtext('name')
        for msg in ctx.iter('message'):
            tr = msg.find('translation')
            forms = [f.text or '' for f in tr.iter('numerusform')] or [tr.text or '']
            entries[(name, msg.findtext('source'))] = (tr.get('type'), forms,
                                                       msg.get('numerus') == 'yes')
    return entries


def check_catalogue():
    ours = read_ts(ts_path)
    with tempfile.TemporaryDirectory() as tmp:
        fresh_path = os.path.join(tmp, 'fresh.ts')
        subprocess.run([lupdate, '-silent', '-locations', 'none', '-source-language', 'ru',
                        '-target-language', 'en', os.path.join(root, 'src'), '-ts', fresh_path],
                       check=True, stdout=subprocess.DEVNULL)
        fresh = read_ts(fresh_path)
    for key in sorted(set(fresh) - set(ours)):
        failures.append('not in the catalogue: %s: %r' % key)
    for key in sorted(set(ours) - set(fresh)):
        failures.append('in the catalogue but not in the code: %s: %r' % key)
    accels = {}
    for (ctx, src), (kind, forms, numerus) in sorted(ours.items()):
        if kind in ('unfinished', 'vanished', 'obsolete') or not all(forms):
            failures.append('%s entry: %s: %r' % (kind or 'empty', ctx, src))
            continue
        want = sorted(set(re.findall(r'%(?:\d+|n)', src)))
        for form in forms:
            got = sorted(set(re.findall(r'%(?:\d+|n)', form)))
            if got != want:
                failures.append('placeholders %s in %r but %s in %r' % (want, src, got, form))
            for m in re.finditer(r'&([^&\s])', form.replace('&&', '')):
                accels.setdefault((ctx, m.group(1).lower()), []).append(form)
    for (ctx, key), forms in sorted(accels.items()):
        if len(forms) > 1:
            failures.append('accelerator &%s twice in %s: %s' % (key, ctx, forms))


LITERAL = re.compile(r'"(?:[^"\\\n]|\\.)*"')
WRAP = re.compile(r'(?:\btranslate|QT_TRANSLATE_NOOP|\btr|fill_text)\(\s*(?:"\w+"\s*,\s*)?'
                  r'((?:"(?:[^"\\\n]|\\.)*"\s*)+)')
CYR = re.compile('[\u0400-\u04ff]')


def strip_comments(text):
    # Blanks out // and /* */ comments, keeping string literals and line numbers.
    out, i, n = [], 0, len(text)
    while i < n:
        if text.startswith('//', i):
            j = text.find('\n', i)
            j = n if j < 0 else j
            out.append(' ' * (j - i)); i = j
        elif text.startswith('/*', i):
            j = text.find('*/', i + 2)
            j = n if j < 0 else j + 2
            out.append(re.sub(r'[^\n]', ' ', text[i:j])); i = j
        elif text[i] == '"':
            m = LITERAL.match(text, i)
            j = m.end() if m else i + 1
            out.append(text[i:j]); i = j
        elif text[i] == "'":
            j = i + 1
            while j < n and text[j] != "'":
                j += 2 if text[j] == '\\' else 1
            out.append(text[i:j + 1]); i = j + 1
        else:
            out.append(text[i]); i += 1
    return ''.join(out)


def check_literals():
    allowed = {}
    for line in open(allow_path, encoding='utf-8'):
        line = line.rstrip('\n')
        if not line.strip() or line.startswith('#'):
            continue
        path, _, literal = line.partition(': ')
        allowed.setdefault(path, set()).add(literal)
    used = set()
    for folder in USER_FACING:
        for dirpath, _, files in os.walk(os.path.join(root, folder)):
            for name in sorted(files):
                if not name.endswith(('.cpp', '.h')):
                    continue
                path = os.path.join(dirpath, name)
                rel = os.path.relpath(path, root)
                text = strip_comments(open(path, encoding='utf-8').read())
                covered = set()
                for m in WRAP.finditer(text):
                    covered.update(range(m.start(1), m.end(1)))
                for m in LITERAL.finditer(text):
                    body = m.group()[1:-1]
                    if not CYR.search(body) or m.start() in covered:
                        continue
                    ok = allowed.get(rel, set())
                    if '*' in ok:
                        used.add((rel, '*'))
                    elif body in ok:
                        used.add((rel, body))
                    else:
                        line = text.count('\n', 0, m.start()) + 1
                        failures.append('%s:%d: Cyrillic text neither translated nor a listed '
                                        'stored format: "%s"' % (rel, line, body))
    for path, literals in sorted(allowed.items()):
        for literal in sorted(literals):
            if (path, literal) not in used:
                failures.append('%s lists "%s" for %s, which has no such text any more'
                                % (os.path.relpath(allow_path, root), literal, path))


check_literals()
if not lupdate or not os.path.exists(lupdate):
    print('lupdate not found (Debian: qt6-l10n-tools): the catalogue is not compared')
    for f in failures:
        print(f)
    sys.exit(1 if failures else 77)
check_catalogue()
for f in failures:
    print(f)
print('%d problems' % len(failures))
sys.exit(1 if failures else 0)
