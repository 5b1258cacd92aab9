#!/usr/bin/env python3
"""Finds string and character literals that hold non-ASCII bytes without the conversion.

The library's texts are Windows-1252, the sources UTF-8: a literal with a letter outside
ASCII must be written "..."_cp (platform/Cp1252Literal.h), which converts it while compiling.
A plain one would keep its UTF-8 bytes. Adjacent literals are one literal, so the suffix on
any of them converts all. Character literals cannot take the suffix: write "ö"_cp[0] or an
escape such as '\\xF6'. Comments may hold any text.

    check-literals.py [ROOT]           checks every C++ source under ROOT (default: the
                                       checkout holding this script); exit 1 on a finding
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


def ident_char(c):
    return c.isalnum() or c == "_"


def literals(text):
    """Yields (line, kind, body, suffix, start, end) for each literal of `text` (a str decoded
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
            yield start_line, quote, body, text[s:k], i, k
            i = k
        else:
            i += 1


def findings(text):
    """(line, message) for each literal with non-ASCII bytes that is not converted."""
    result = []
    group = []  # adjacent string literals: (line, body, suffix)
    previous_end = -1

    def close_group():
        if group and not any(suffix == SUFFIX for _, _, suffix in group):
            for line, body, _ in group:
                if any(ord(ch) > 0x7F for ch in body):
                    result.append((line, "non-ASCII string literal without " + SUFFIX))
        group.clear()

    for line, kind, body, suffix, start, end in literals(text):
        adjacent = _without_comments(text[previous_end:start]).strip() == ""
        if kind == '"' and group and adjacent:
            group.append((line, body, suffix))
        else:
            close_group()
            if kind == '"':
                group.append((line, body, suffix))
            elif any(ord(ch) > 0x7F for ch in body):
                result.append((line, "non-ASCII character literal (write \"..\"" + SUFFIX +
                               "[0] or an escape)"))
        previous_end = end
    close_group()
    return result


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
        found = sorted({line for line, _ in findings(text)})
        expected = [number for number, content in enumerate(text.split("\n"), 1)
                    if "EXPECT-FINDING" in content]
        if found != expected:
            print(f"{argv[2]}: findings on lines {found}, expected on {expected}")
            return 1
        print(f"{argv[2]}: {len(found)} findings, as expected")
        return 0
    root = argv[1] if len(argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    count = 0
    files = 0
    for path in sources(root):
        files += 1
        for line, message in findings(read(path)):
            print(f"{os.path.relpath(path, root)}:{line}: {message}")
            count += 1
    if count:
        print(f"{count} unconverted literal(s); see platform/Cp1252Literal.h")
        return 1
    print(f"{files} files, every non-ASCII literal converted")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
