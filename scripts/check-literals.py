#!/usr/bin/env python3
"""Finds string and character literals that hold non-ASCII bytes without the conversion.

The library's texts are Windows-1252, the sources UTF-8: a literal with a letter outside
ASCII must be written "..."_cp (platform/Cp1252Literal.h), which converts it while compiling.
A plain one would keep its UTF-8 bytes. Adjacent literals are one literal, so the suffix on
any of them converts all. Literals with an explicit encoding (u8"", u"", U"") are the same
bytes on every compiler and stay as they are. Character literals cannot take the suffix: write "ö"_cp[0] or an
escape such as '\\xF6'. Comments may hold any text.

    check-literals.py [ROOT]           checks every C++ source under ROOT (default: the
                                       checkout holding this script); exit 1 on a finding
    check-literals.py --fix [ROOT]     converts what it can first: appends the suffix to
                                       each literal (group) and includes the header
    check-literals.py --expect FILE    checks FILE and compares the findings with its lines
                                       marked EXPECT-FINDING (the checker's own test)
"""

import os
import sys

SOURCE_SUFFIXES = (".cpp", ".h", ".hpp", ".cc", ".cxx", ".inl")
# Folders below the root that hold no sources of the project (and build folders, build*).
SKIPPED_FOLDERS = {".git", os.path.join("tests", "data"), os.path.join("fuzz", "seeds")}
STRING_PREFIXES = {"", "u8", "u", "U", "L"}
SUFFIX = "_cp"
# Prefixes that fix a literal's encoding whatever the compiler.
EXPLICIT_ENCODINGS = {"u8", "u", "U", "u8R", "uR", "UR"}


def ident_char(c):
    return c.isalnum() or c == "_"


def literals(text):
    """Yields (line, kind, prefix, body, suffix, start, end) for each literal of `text` (a str decoded
    as latin-1 so that every byte is one character); kind is '"' or "'"; start is where its
    prefix begins, end where its suffix ends."""
    i, n, line = 0, len(text), 1
    while i < n:
        c = text[i]
        if c == "\n":
            line += 1
            i += 1
        elif text.startswith("//", i):
            j = text.find("\n", i)
            i = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            line += text.count("\n", i, j)
            i = j
        elif c == "#" and text[text.rfind("\n", 0, i) + 1:i].strip() == "" and \
                text[i + 1:i + 40].lstrip().startswith("include"):
            # A header name is not a literal.
            j = text.find("\n", i)
            i = n if j < 0 else j
        elif c.isdigit() or (c == "." and i + 1 < n and text[i + 1].isdigit()):
            # A number; its ' are digit separators.
            j = i + 1
            while j < n and (ident_char(text[j]) or text[j] in ".'" or
                             (text[j] in "+-" and text[j - 1] in "eEpP")):
                j += 1
            i = j
        elif ident_char(c) or c in "\"'":
            j = i
            while j < n and ident_char(text[j]):
                j += 1
            word = text[i:j]
            if j >= n or text[j] not in "\"'":
                i = max(j, i + 1)
                continue
            raw = word.endswith("R") and word[:-1] in STRING_PREFIXES
            if not raw and word not in STRING_PREFIXES:
                i = j
                continue
            quote = text[j]
            start_line = line
            if raw and quote == '"':
                open_paren = text.find("(", j)
                delimiter = text[j + 1:open_paren]
                close = text.find(")" + delimiter + '"', open_paren)
                if close < 0:
                    raise SyntaxError(f"line {line}: unterminated raw string")
                body = text[open_paren + 1:close]
                k = close + len(delimiter) + 2
            else:
                k = j + 1
                while k < n and text[k] != quote:
                    if text[k] == "\\":
                        k += 1
                    elif text[k] == "\n":
                        raise SyntaxError(f"line {line}: unterminated literal")
                    k += 1
                body = text[j + 1:k]
                k += 1
            line += text.count("\n", i, k)
            s = k
            while k < n and ident_char(text[k]):
                k += 1
            yield start_line, quote, word, body, text[s:k], i, k
            i = k
        else:
            i += 1


def findings(text):
    """(line, message, edit) for each literal with non-ASCII bytes that is not converted;
    edit is (start, end, replacement) that converts it, or None (once per literal group)."""
    result = []
    group = []  # adjacent string literals: (line, body, suffix, end, prefix)
    previous_end = 0

    def close_group():
        explicit = any(g[4] in EXPLICIT_ENCODINGS for g in group)
        if group and not explicit and not any(g[2] == SUFFIX for g in group):
            plain = all(g[2] == "" and g[4] in ("", "R") for g in group)
            edit = (group[-1][3], group[-1][3], SUFFIX) if plain else None
            for line, body, _, _, _ in group:
                if any(ord(ch) > 0x7F for ch in body):
                    result.append((line, "non-ASCII string literal without " + SUFFIX, edit))
                    edit = None
        group.clear()

    for line, kind, prefix, body, suffix, start, end in literals(text):
        adjacent = _without_comments(text[previous_end:start]).strip() == ""
        if kind == '"' and group and adjacent:
            group.append((line, body, suffix, end, prefix))
        else:
            close_group()
            if kind == '"':
                group.append((line, body, suffix, end, prefix))
            elif any(ord(ch) > 0x7F for ch in body):
                plain = prefix == "" and suffix == ""
                edit = (start, end, '"' + body + '"' + SUFFIX + "[0]") if plain else None
                result.append((line, "non-ASCII character literal (write \"..\"" + SUFFIX +
                               "[0] or an escape)", edit))
        previous_end = end
    close_group()
    return result


INCLUDE = '#include "platform/Cp1252Literal.h"'


def fix(path, text):
    """Converts the literals of one file and includes the header; the number of edits."""
    edits = [edit for _, _, edit in findings(text) if edit]
    if not edits:
        return 0
    for start, end, replacement in sorted(edits, reverse=True):
        text = text[:start] + replacement + text[end:]
    if INCLUDE not in text and not path.endswith("Cp1252Literal.h"):
        lines = text.split("\n")
        quoted = [k for k, l in enumerate(lines) if l.startswith('#include "')]
        anywhere = [k for k, l in enumerate(lines) if l.startswith("#include")]
        pragma = [k for k, l in enumerate(lines) if l.startswith("#pragma once")]
        at = (quoted[-1] + 1 if quoted else anywhere[0] if anywhere else
              pragma[0] + 1 if pragma else 0)
        lines.insert(at, INCLUDE)
        text = "\n".join(lines)
    with open(path, "wb") as f:
        f.write(text.encode("latin-1"))
    return len(edits)


def _without_comments(text):
    out, i = [], 0
    while i < len(text):
        if text.startswith("//", i):
            j = text.find("\n", i)
            i = len(text) if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            i = len(text) if j < 0 else j + 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def read(path):
    with open(path, "rb") as f:
        return f.read().decode("latin-1")


def sources(root):
    for folder, subfolders, files in os.walk(root):
        subfolders[:] = sorted(
            d for d in subfolders
            if not d.startswith("build") and
            os.path.relpath(os.path.join(folder, d), root) not in SKIPPED_FOLDERS)
        for name in sorted(files):
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.join(folder, name)


def main(argv):
    if len(argv) == 3 and argv[1] == "--expect":
        text = read(argv[2])
        found = sorted({line for line, _, _ in findings(text)})
        expected = [number for number, content in enumerate(text.split("\n"), 1)
                    if "EXPECT-FINDING" in content]
        if found != expected:
            print(f"{argv[2]}: findings on lines {found}, expected on {expected}")
            return 1
        print(f"{argv[2]}: {len(found)} findings, as expected")
        return 0
    fixing = "--fix" in argv
    argv = [a for a in argv if a != "--fix"]
    root = argv[1] if len(argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    count = 0
    files = 0
    for path in sources(root):
        files += 1
        text = read(path)
        if fixing:
            edited = fix(path, text)
            if edited:
                print(f"{os.path.relpath(path, root)}: {edited} literal(s) converted")
            text = read(path)
        for line, message, _ in findings(text):
            print(f"{os.path.relpath(path, root)}:{line}: {message}")
            count += 1
    if count:
        print(f"{count} unconverted literal(s); see platform/Cp1252Literal.h")
        return 1
    print(f"{files} files, every non-ASCII literal converted")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
