#!/usr/bin/env python3
"""Turns kovexctl's --help page into its man page and its bash completion.

    kovexctl-help.py man KOVEXCTL VERSION OUT.1
    kovexctl-help.py completion KOVEXCTL TEMPLATE OUT

The help page is the one source: its sections (a title at the left margin)
become the man page's sections, its entries ("    term   text", or a term on
a line of its own with the text indented below it) become tagged paragraphs,
and the commands and options it lists fill in the completion's word lists.
"""

import re
import shlex
import subprocess
import sys

INDENT = 4
# Sections whose lines are typed as they stand: never filled.
LITERAL_SECTIONS = {"EXAMPLES"}
# The section of the options that need --sim.
SIM_SECTION_PREFIX = "TEST AIDS"


def help_text(kovexctl):
    return subprocess.run([kovexctl, "--help"], check=True, capture_output=True,
                          text=True).stdout


def indent_of(line):
    return len(line) - len(line.lstrip(" "))


def sections(text):
    """[(title, [body lines])] in page order."""
    found = []
    for line in text.splitlines():
        if line and not line[0].isspace():
            found.append((line.strip(), []))
        elif found:
            found[-1][1].append(line.rstrip())
    return found


def items(title, lines):
    """A section's body as ("para", [lines]), ("entry", term, [lines]),
    ("literal", [lines]) and ("break",) items. A line indented deeper than
    the section goes on an entry's text, or else is typed as it stands (the
    JSON example); a term and its text are two spaces or more apart, or the
    term stands alone with its text below it; any other line is prose."""
    out = []
    for number, line in enumerate(lines):
        following = lines[number + 1] if number + 1 < len(lines) else ""
        last = out[-1] if out else ("break",)
        if not line:
            out.append(("break",))
        elif title in LITERAL_SECTIONS or indent_of(line) > INDENT and last[0] != "entry":
            if last[0] == "literal":
                last[1].append(line[INDENT:])
            else:
                out.append(("literal", [line[INDENT:]]))
        elif indent_of(line) > INDENT:
            last[2].append(line.strip())
        elif match := re.match(r" {4}(\S.*?) {2,}(\S.*)$", line):
            out.append(("entry", match.group(1), [match.group(2)]))
        elif last[0] == "para":
            last[1].append(line.strip())
        elif following and indent_of(following) > INDENT:
            out.append(("entry", line.strip(), []))
        else:
            out.append(("para", [line.strip()]))
    return out


# ---------------------------------------------------------------- man page

def escape(text):
    return text.replace("\\", "\\e").replace("-", "\\-")


def text_line(text):
    """A line of text that groff cannot take for a request."""
    return "\\&" + text if text.startswith((".", "'")) else text


def text_lines(lines):
    return [text_line(escape(line)) for line in lines]


def term_markup(term):
    """Words to type in bold, the words to fill in (upper case) in italics."""
    out = []
    for token in re.findall(r"-{0,2}[a-z][a-z0-9-]*|[A-Z][A-Z0-9_]*|.", term):
        if re.match(r"-{0,2}[a-z]", token):
            out.append("\\fB" + escape(token) + "\\fR")
        elif re.match(r"[A-Z]", token):
            out.append("\\fI" + escape(token) + "\\fR")
        else:
            out.append(escape(token))
    return text_line("".join(out))


def man_page(text, version):
    name = "kovexctl"
    out = ['.TH %s 1 "" "%s %s" "User Commands"' % (name.upper(), name, version)]
    for title, lines in sections(text):
        out.append(".SH " + escape(title))
        previous = None  # nothing yet in this section
        for item in items(title, lines):
            kind = item[0]
            # A new paragraph after a blank line or a list; none right after
            # the title, nor where the help goes on after an example.
            paragraph = [".PP"] if previous in ("break", "entry") else []
            if kind == "entry":
                out += [".TP", term_markup(item[1])] + text_lines(item[2])
            elif kind == "literal":
                out += paragraph + [".nf"] + text_lines(item[1]) + [".fi"]
            elif kind == "para" and title == "SYNOPSIS":
                out += [term_markup(line) for line in item[1]]
            elif kind == "para":
                out += paragraph + text_lines(item[1])
            previous = kind
    return "\n".join(out) + "\n"


# ---------------------------------------------------------- bash completion

def entries(text):
    """(section title, term) of every entry, in page order."""
    for title, lines in sections(text):
        for item in items(title, lines):
            if item[0] == "entry":
                yield title, item[1]


def option_names(term):
    """"-q, --quiet" -> ["-q", "--quiet"], ""; "--device ADDRESS|all" ->
    ["--device"], "ADDRESS|all"."""
    names, _, value = term.partition(" ")
    if names.endswith(","):
        alias, _, rest = term.partition(", ")
        names, _, value = rest.partition(" ")
        return [alias, names], value
    return [names], value


def completion_words(text):
    """The word lists of the completion: the commands, the options every
    command takes, the test aids (after --sim), each command's own options
    and argument, and the value each option takes."""
    words = {"commands": [], "global_options": [], "sim_options": [],
             "command_options": {}, "command_argument": {}, "option_value": {}}
    aliases = {}
    for title, term in entries(text):
        if title == "COMMANDS":
            continue
        names, value = option_names(term)
        for name in names:
            aliases[name] = names
            if value:
                words["option_value"][name] = value
        if title == "OPTIONS":
            words["global_options"] += names
        elif title.startswith(SIM_SECTION_PREFIX):
            words["sim_options"] += names
    for title, term in entries(text):
        if title != "COMMANDS":
            continue
        # "program FILE [--yes] [--expect-version TEXT]": the command's words
        # in lower case, then its argument and its own options.
        command = re.match(r"[a-z][a-z-]*(?: [a-z][a-z-]*)*", term).group(0)
        rest = term[len(command):]
        words["commands"].append(command)
        own = re.findall(r"\[(--[a-z-]+)", rest)
        if own:
            words["command_options"][command] = " ".join(
                name for option in own for name in aliases.get(option, [option]))
        argument = re.sub(r"\s*\[--[^]]*\]", "", rest).strip()
        if argument:
            words["command_argument"][command] = argument
    return words


def bash_array(name, values):
    return "local -a %s=(%s)" % (name, " ".join(shlex.quote(v) for v in values))


def bash_map(name, values):
    pairs = " ".join("[%s]=%s" % (shlex.quote(k), shlex.quote(v)) for k, v in values.items())
    return "local -A %s=(%s)" % (name, pairs)


def completion(text, template):
    words = completion_words(text)
    lines = [bash_array(k, v) if isinstance(v, list) else bash_map(k, v)
             for k, v in words.items()]
    return template.replace("@KOVEXCTL_WORDS@", "\n    ".join(lines))


def main(argv):
    if len(argv) == 5 and argv[1] == "man":
        output = man_page(help_text(argv[2]), argv[3])
    elif len(argv) == 5 and argv[1] == "completion":
        with open(argv[3], encoding="utf-8") as template:
            output = completion(help_text(argv[2]), template.read())
    else:
        sys.exit(__doc__)
    with open(argv[4], "w", encoding="utf-8") as out:
        out.write(output)


if __name__ == "__main__":
    main(sys.argv)
