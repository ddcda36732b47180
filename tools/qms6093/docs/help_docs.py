#!/usr/bin/env python3
"""The manual page and the bash completion of a command-line program, made from its own
--help text (and that of each of its commands), so that the three never disagree.

    help_docs.py PROGRAM NAME VERSION MAN_OUT COMPLETION_OUT
"""

import re
import subprocess
import sys

OPTION_LINE = re.compile(r"^  (\S.*?)(?:\s{2,}(\S.*))?$")


def run_help(program, words):
    result = subprocess.run([program, *words, "--help"], capture_output=True, text=True, timeout=60)
    if result.returncode != 0:
        sys.exit(f"help_docs: {program} {' '.join(words)} --help failed: {result.stderr.strip()}")
    return result.stdout


def parse(text, name, words):
    """description lines, usage, {section: [(term, meaning)]}, footer lines"""
    lines = text.rstrip("\n").split("\n")
    description, usage, sections, footer = [], "", {}, []
    current = None
    for line in lines:
        if line.startswith("Usage: "):
            # The program names itself as it was called: give its installed name.
            usage = re.sub(r"^Usage: \S+", "Usage: " + name, line)[len("Usage: "):]
            current = "after-usage"
            continue
        if current is None:
            description.append(line)
            continue
        if line in ("Options:", "Subcommands:", "Positionals:"):
            current = line[:-1]
            sections[current] = []
            continue
        if current in sections and line.startswith("    ") and sections[current] and not footer:
            term, meaning = sections[current][-1]
            sections[current][-1] = (term, (meaning + " " + line.strip()).strip())
            continue
        match = OPTION_LINE.match(line)
        if current in sections and match and not footer:
            sections[current].append((match.group(1).strip(), (match.group(2) or "").strip()))
            continue
        if current in sections and not line.strip() and not footer:
            continue
        if line.strip() or footer:
            footer.append(line)
    return description, usage, sections, footer


def roff(text):
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "\\&" + text if text[:1] in (".", "'") else text


def verbatim(lines):
    out = [".PP", ".nf"]
    out += [roff(line) if line.strip() else "" for line in lines]
    out.append(".fi")
    return out


def entries(items):
    out = []
    for term, meaning in items:
        out += [".TP", "\\fB" + roff(term) + "\\fR", roff(meaning)]
    return out


def manual(name, version, top, commands):
    description, usage, sections, footer = top
    out = [f'.TH {name.upper()} 1 "" "{name} {version}" "User Commands"',
           ".SH NAME", f"{roff(name)} \\- {roff(description[0].split(' - ', 1)[-1]) if description else ''}",
           ".SH SYNOPSIS", "\\fB" + roff(usage) + "\\fR",
           ".SH DESCRIPTION"]
    out += verbatim(description)
    if "Options" in sections:
        out += [".SH OPTIONS"] + entries(sections["Options"])
    if commands:
        out.append(".SH COMMANDS")
        for command, (c_description, c_usage, c_sections, c_footer) in commands.items():
            out += [".SS " + roff(command), "\\fB" + roff(c_usage) + "\\fR", ".PP"]
            out += [roff(" ".join(line.strip() for line in c_description if line.strip()))]
            for section in ("Positionals", "Options"):
                out += [item for item in entries(x for x in c_sections.get(section, []) if x[0] != "-h,--help")]
            if c_footer and c_footer != footer:  # a command without its own shows the program's
                out += verbatim(c_footer)
    if footer:
        out += [".SH NOTES"] + verbatim(footer)
    return "\n".join(out) + "\n"


def option_words(items):
    words = []
    for term, _ in items:
        for part in term.split(","):
            word = part.split()[0].split("=")[0] if part.strip() else ""
            if word.startswith("-"):
                words.append(word)
    return words


def completion(name, top, commands):
    function = "_" + re.sub(r"\W", "_", name)
    globals_ = " ".join(option_words(top[2].get("Options", [])))
    cases = []
    for command, parsed in commands.items():
        cases.append(f"        {command}) words='{' '.join(option_words(parsed[2].get('Options', [])))}' ;;")
    return f"""# bash completion for {name}, made from its --help text
{function}()
{{
    local current=${{COMP_WORDS[COMP_CWORD]}} command='' word words=''
    for word in "${{COMP_WORDS[@]:1:COMP_CWORD-1}}"; do
        case " {' '.join(commands)} " in *" $word "*) command=$word; break ;; esac
    done
    case $command in
{chr(10).join(cases)}
        *) words='{' '.join(commands)}' ;;
    esac
    COMPREPLY=($(compgen -W "$words {globals_}" -- "$current"))
}}
complete -F {function} {name}
"""


def main():
    program, name, version, man_out, completion_out = sys.argv[1:6]
    top = parse(run_help(program, []), name, [])
    commands = {}
    for command, _ in top[2].get("Subcommands", []):
        commands[command] = parse(run_help(program, [command]), name, [command])
    with open(man_out, "w", encoding="utf-8") as f:
        f.write(manual(name, version, top, commands))
    with open(completion_out, "w", encoding="utf-8") as f:
        f.write(completion(name, top, commands))


if __name__ == "__main__":
    main()
