#!/usr/bin/env bash
# Fails when the repository runs an external command that scripts/packages.txt
# does not name, so that a program newly used by a test or a script cannot be
# left out of the install step (and fail on a fresh machine with "command not
# found", perhaps after a long time-out).
#
#   scripts/check-packages.sh
#
# Where it looks for commands:
#   - shell scripts (every file of the repository with a sh or bash shebang,
#     and *.sh): the command word of each simple command, as bash itself
#     parses the script (declare -f prints it back without comments, one
#     command a line); the commands of a trap; a compiler given to CMake as
#     -DCMAKE_<LANG>_COMPILER=NAME; the argument that a function which
#     runs "$@" is handed as its command (in_root ROOT git clone ...);
#   - C++ sources: the first string of a brace list passed to e2e_run,
#     e2e_spawn or start_child (an argv), and what follows env there; the
#     code of an {"sh", "-c", "..."} argv as a shell script; and the first
#     string of any other brace list of strings, when it names a program
#     installed here (argv vectors built apart from the call);
#   - CMake files: COMMAND NAME and find_program(... NAME).
# A command passes when packages.txt names it, when it is a shell builtin
# or keyword or a function of the scanned scripts, or when an Essential
# package (always installed on Debian) owns the program.  Programs given as
# variables ("$binary") or as paths in the repository are not external.
# Not seen: a program named in a string built at run time, or run through
# a variable.  CHECK_PACKAGES_KEEP=DIR copies the lists of words found to
# DIR.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
list=$repo/scripts/packages.txt
faults=0
declare -A listed     # command -> its package, from packages.txt
declare -A functions  # names of the scanned scripts' shell functions
declare -A verdicts   # command -> "" (passes) or the reason it does not
runners=""            # "NAME:K ...": functions that run their Kth argument

# ------------------------------------------------------------------ input

read_listed_commands() {
  local package rest command
  while read -r package rest; do
    case $package in '#'* | '') continue ;; esac
    for command in $rest; do
      [ "$command" = - ] || listed[$command]=$package
    done
  done <"$list"
}

# The repository's files, tracked or new (not ignored), relative to it.
repository_files() {
  if git -C "$repo" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git -C "$repo" ls-files --cached --others --exclude-standard |
      while read -r file; do if [ -f "$repo/$file" ]; then echo "$file"; fi; done
  else
    (cd "$repo" && find . -path ./build -prune -o -type f -print | sed 's|^\./||')
  fi
}

is_shell_script() { # file
  case $1 in *.sh) return 0 ;; esac
  head -n 1 "$repo/$1" 2>/dev/null | grep -qE '^#!.*[/ ](ba)?sh([[:space:]]|$)'
}

# ------------------------------------------------------- shell scanning

# Prints FILE as bash parses it: comments gone, one simple command a line,
# redirections after the words.  Only defines a function, never runs it.
normalized_shell() { # file
  bash -c 'eval "__script() {
$(cat "$1")
}" && declare -f __script' normalize "$1" | tail -n +2
}

# Reads normalized shell code and prints one record a line:
#   CMD <word>    a word in command position (quotes and expansions kept)
#   FUNC <name>   a function defined there
#   CODE <text>   code given to trap, to be scanned in its turn
# shellcheck disable=SC2016 # an awk program: its $ are awk's
shell_words_awk='
function ch(k) { return substr(S, pos + k, 1) }
function emit(kind, text) { gsub(/\n/, "\001", text); print kind " " text }
function blank(c) { return c == " " || c == "\t" }
function meta(c) { return c == " " || c == "\t" || c == "\n" || c == ";" || c == "&" || c == "|" || c == "(" || c == ")" || c == "<" || c == ">" }

# Skips to the "))" closing an arithmetic expression that opened at pos.
function skip_arithmetic(   depth) {
  depth = 0
  while (pos <= N) {
    if (ch(0) == "(") depth++
    else if (ch(0) == ")") { depth--; if (depth == 0) { pos++; return } }
    pos++
  }
}

# ${...}: to the matching brace.
function skip_braces(   depth) {
  depth = 0
  while (pos <= N) {
    if (ch(0) == "\\") { pos += 2; continue }
    if (ch(0) == "{") depth++
    else if (ch(0) == "}") { depth--; if (depth == 0) { pos++; return } }
    pos++
  }
}

# A $( ... ), ` ... `, ${ ... } or $(( ... )) at pos.
function expansion(   c) {
  if (ch(0) == "`") { pos++; scan_code("`"); pos++; return }
  if (ch(1) == "(" && ch(2) == "(") { pos++; skip_arithmetic(); return }
  if (ch(1) == "(") { pos += 2; scan_code(")"); pos++; return }
  if (ch(1) == "{") { pos++; skip_braces(); return }
  pos++
}

# A double-quoted string at pos, scanning the commands inside its $( ).
function double_quoted() {
  pos++
  while (pos <= N && ch(0) != "\"") {
    if (ch(0) == "\\") pos += 2
    else if (ch(0) == "$" || ch(0) == "`") expansion()
    else pos++
  }
  pos++
}

# Reads one word at pos; sets quoted (it had quotes) and expanded (it had
# an expansion).  An array assignment reads its list as arguments.
function read_word(   w, start, c) {
  w = ""; quoted = 0; expanded = 0
  while (pos <= N) {
    c = ch(0)
    if (c == "\\") { w = w substr(S, pos, 2); pos += 2; continue }
    if (c == "\047") {
      start = pos; pos++
      while (pos <= N && ch(0) != "\047") pos++
      pos++; quoted = 1; w = w substr(S, start, pos - start); continue
    }
    if (c == "\"") { start = pos; double_quoted(); quoted = 1; w = w substr(S, start, pos - start); continue }
    if (c == "$" || c == "`") { start = pos; expansion(); expanded = 1; w = w substr(S, start, pos - start); continue }
    if (c == "(" && w ~ /^[A-Za-z_][A-Za-z0-9_]*\+?=$/) { pos++; skip_words(")"); pos++; w = w "()"; continue }
    if (meta(c)) break
    w = w c; pos++
  }
  return w
}

# Words that are arguments only, up to CLOSER (an array list, a pattern).
function skip_words(closer,   c) {
  while (pos <= N) {
    c = ch(0)
    if (c == closer) return
    if (blank(c) || c == "\n" || c == "|") { pos++; continue }
    if (c == "(" || c == ")" || c == ";" || c == "&" || c == "<" || c == ">") { pos++; continue }
    read_word()
  }
}

# A [[ ... ]] test, after its [[: no commands there but in expansions,
# and its ( | < > are no operators.
function skip_test(   c) {
  while (pos <= N) {
    c = ch(0)
    if (c == "]" && ch(1) == "]") { pos += 2; return }
    if (blank(c) || c == "\n" || meta(c)) { pos++; continue }
    read_word()
  }
}

# The body of a here-document: lines up to its delimiter.
function skip_heredoc(   line, end, d) {
  while (pos <= N) {
    end = index(substr(S, pos), "\n")
    if (end == 0) { pos = N + 1; return }
    line = substr(S, pos, end - 1); pos += end
    if (heredoc_tabs) sub(/^\t+/, "", line)
    if (line == heredoc) { heredoc = ""; return }
  }
}

# A redirection operator at pos; its target word is an argument.  <(...)
# is a process substitution, scanned as code.
function redirection(   op, d) {
  if (ch(0) == "<" && ch(1) == "(") { pos += 2; scan_code(")"); pos++; return }
  op = ""
  while (pos <= N && (ch(0) == "<" || ch(0) == ">" || ch(0) == "&" || ch(0) == "|" || ch(0) == "-")) { op = op ch(0); pos++ }
  while (blank(ch(0))) pos++
  if (op ~ /^<<-?$/) {
    d = read_word(); gsub(/[\047"\\]/, "", d)
    heredoc = d; heredoc_tabs = (op == "<<-")
    return
  }
  if (ch(0) == "<" && ch(1) == "(") { pos += 2; scan_code(")"); pos++; return }
  if (ch(0) != "\n" && ch(0) != ";") read_word()
}

# Scans code up to CLOSER (not consumed), or to the end when it is "".
function scan_code(closer,   c, w, at_command, wrapper, words, pattern, trap_next, f, want) {
  at_command = 1; wrapper = 0; words = ""; pattern = 0; trap_next = 0; want = 0
  while (pos <= N) {
    c = ch(0)
    if (closer != "" && c == closer) return
    if (blank(c)) { pos++; continue }
    if (c == "\n") {
      pos++
      if (heredoc != "") skip_heredoc()
      if (words == "list") words = ""
      if (!pattern) at_command = 1
      wrapper = 0
      continue
    }
    if (c == ";") {
      if (ch(1) == ";" || ch(1) == "&") { pos += 2; if (ch(0) == "&") pos++; pattern = 1; continue }
      pos++; at_command = 1; wrapper = 0; if (words == "list") words = ""; continue
    }
    if (c == "&" && ch(1) == ">") { redirection(); continue }
    if (c == "|" || c == "&") {
      while (ch(0) == "|" || ch(0) == "&") pos++
      at_command = 1; wrapper = 0
      continue
    }
    if (c == "(") {
      if (ch(1) == ")") { pos += 2; continue }
      if (ch(1) == "(" && at_command) { skip_arithmetic(); at_command = 0; continue }
      pos++; scan_code(")"); pos++; at_command = 0; continue
    }
    if (c == ")") { pos++; continue }
    if (c == "<" || c == ">") { redirection(); continue }

    w = read_word()
    if (at_command) want = 0
    if (w ~ /^[0-9]+$/ && (ch(0) == "<" || ch(0) == ">")) continue
    if (pattern) {
      if (w == "esac") { pattern = 0; at_command = 0; continue }
      skip_words(")"); pos++; pattern = 0; at_command = 1; continue
    }
    if (words == "function") { emit("FUNC", w); words = ""; continue }
    if (words == "case") { if (w == "in") { words = ""; pattern = 1 } continue }
    if (words == "for") { words = "list"; if (w ~ /^\(\(/) words = ""; continue }
    if (words == "list") { if (w == "do") { words = ""; at_command = 1 } continue }
    if (trap_next) {
      trap_next = 0
      if (w ~ /^\047.*\047$/ && !expanded) emit("CODE", substr(w, 2, length(w) - 2))
      continue
    }
    if (w ~ /^-DCMAKE_[A-Z]+_COMPILER(:[A-Z]+)?=/) { f = w; sub(/^[^=]*=/, "", f); emit("CMD", f); continue }
    if (!at_command && want > 0) {
      if (--want == 0) { emit("CMD", w); if (w in runs_argument) want = runs_argument[w] }
      continue
    }
    if (!at_command) continue
    if (wrapper && w ~ /^-/) continue
    if (w ~ /^[A-Za-z_][A-Za-z0-9_]*(\[[^]]*\])?\+?=/) continue
    if (w ~ /^(if|then|else|elif|do|while|until|!|\{|time)$/) continue
    if (w ~ /^(fi|done|esac|\})$/) { at_command = 0; continue }
    if (w == "function") { words = "function"; continue }
    if (w == "case") { words = "case"; at_command = 0; continue }
    if (w == "for" || w == "select") {
      while (blank(ch(0))) pos++
      if (ch(0) == "(" && ch(1) == "(") { skip_arithmetic(); at_command = 0; continue }
      words = "for"; at_command = 0; continue
    }
    if (w == "[[") { skip_test(); at_command = 0; continue }
    emit("CMD", w)
    if (w in runs_argument) want = runs_argument[w]
    if (w ~ /^(exec|command|builtin|nohup|env|sudo|\\?time)$/) { wrapper = 1; continue }
    if (w == "trap") trap_next = 1
    at_command = 0; wrapper = 0
  }
}

BEGIN { n = split(runners, r, " "); for (i = 1; i <= n; i++) { split(r[i], f, ":"); runs_argument[f[1]] = f[2] } }
{ S = S $0 "\n" }
END { N = length(S); pos = 1; heredoc = ""; scan_code("") }
'''

# Reads normalized shell code and prints "NAME:K" for each function that
# runs its arguments as a command ("$@" after K-1 shifts), so that a call
# such as start_viewer LOG valgrind ... counts valgrind as a command.
# shellcheck disable=SC2016 # an awk program: its $ are awk's
runner_functions_awk='
function close_functions() {
  while (depth > 0 && $0 ~ ("^" indent[depth] "};? *$")) depth--
}
{
  close_functions()
  if (match($0, /^ *function [^ ]+ \(\) *$/)) {
    depth++; indent[depth] = $0; sub(/[^ ].*/, "", indent[depth])
    name[depth] = $2; shifts[depth] = 0; next
  }
  if (depth == 0) next
  if ($0 ~ /^ *shift;? *$/) shifts[depth]++
  else if ($0 ~ /^ *(exec )?"\$@"/ && !(name[depth] in done)) {
    done[name[depth]] = 1; print name[depth] ":" shifts[depth] + 1
  }
}
'

# Prints "FILE<TAB>WORD" for each command the shell code in FILE runs;
# records its functions.  LABEL names it in messages.
scan_shell() { # file label
  local file=$1 label=$2 kind text code
  local -a codes=()
  local normalized
  if ! normalized=$(normalized_shell "$file" 2>&1); then
    echo "check-packages: bash cannot parse $label: $normalized" >&2
    faults=$((faults + 1))
    return
  fi
  while read -r kind text; do
    case $kind in
      FUNC) functions[$text]=1 ;;
      CMD) printf '%s\t%s\n' "$label" "$text" >>"$found" ;;
      CODE) [ -z "${text//[[:space:]]/}" ] || codes+=("$text") ;;
    esac
  done < <(awk -v runners="$runners" "$shell_words_awk" <<<"$normalized")
  for code in "${codes[@]}"; do
    printf '%s\n' "$code" | tr '\001' '\n' >"$work/code.sh"
    scan_shell "$work/code.sh" "$label (trap)"
  done
}

# ---------------------------------------------------------- C++ scanning

# Reads a C++ source, drops comments, and prints one record a line:
#   ARGV <program>   first string of an argv given to a process starter
#   MAYBE <word>     first string of another brace list of strings
#   SHELL <code>     the script of an {"sh", "-c", "..."} argv
# shellcheck disable=SC2016 # an awk program: its $ are awk's
cpp_words_awk='
function ch(k) { return substr(S, pos + k, 1) }

# The source without comments; strings kept as they are.
function strip_comments(   out, c, q) {
  out = ""; pos = 1
  while (pos <= N) {
    c = ch(0)
    if (c == "/" && ch(1) == "/") { while (pos <= N && ch(0) != "\n") pos++; continue }
    if (c == "/" && ch(1) == "*") { pos += 2; while (pos <= N && !(ch(0) == "*" && ch(1) == "/")) pos++; pos += 2; out = out " "; continue }
    if (c == "\"" || c == "\047") {
      q = c; out = out c; pos++
      while (pos <= N && ch(0) != q) { if (ch(0) == "\\") { out = out ch(0); pos++ } out = out ch(0); pos++ }
      out = out q; pos++; continue
    }
    out = out c; pos++
  }
  return out
}

# The string literals that open the brace list at pos ("{"), unescaped,
# into items[1..n]; returns n.
function string_list(   n, s, c) {
  n = 0; pos++
  while (1) {
    while (ch(0) ~ /[ \t\n]/) pos++
    if (ch(0) != "\"") return n
    pos++; s = ""
    while (pos <= N && ch(0) != "\"") {
      c = ch(0)
      if (c == "\\") { pos++; c = ch(0); if (c == "n") c = "\n"; else if (c == "t") c = "\t" }
      s = s c; pos++
    }
    pos++; items[++n] = s
    while (ch(0) ~ /[ \t\n]/) pos++
    if (ch(0) != ",") return n
    pos++
  }
}

function base(p) { sub(/.*\//, "", p); return p }

function report(kind, n,   i, first, code) {
  if (n == 0) return
  first = base(items[1])
  if (first == "env") {
    # NAME=VALUE, options, and the operand of -u NAME and -C DIR
    for (i = 2; i <= n && (items[i] ~ /=/ || items[i] ~ /^-/); i++)
      if (items[i] == "-u" || items[i] == "-C") i++
    print kind " " items[1]
    if (i <= n) print kind " " items[i]
    return
  }
  if ((first == "sh" || first == "bash" || first == "dash") && n >= 3 && items[2] == "-c") {
    code = items[3]; gsub(/\n/, "\001", code); print "SHELL " code
  }
  print kind " " items[1]
}

{ S = S $0 "\n" }
END {
  N = length(S); S = strip_comments(); N = length(S)
  # argv lists handed straight to a process starter
  rest = S; offset = 0
  while (match(rest, /(^|[^A-Za-z0-9_])(e2e_run|e2e_spawn|start_child)[ \t\n]*\(/)) {
    pos = offset + RSTART + RLENGTH
    while (pos <= N && ch(0) != ";" && ch(0) != "{") pos++
    start[pos] = 1
    if (ch(0) == "{") report("ARGV", string_list())
    offset += RSTART + RLENGTH - 1; rest = substr(S, offset + 1)
  }
  # every other list of strings
  rest = S; offset = 0
  while (match(rest, /\{[ \t\n]*"/)) {
    pos = offset + RSTART
    if (!(pos in start)) report("MAYBE", string_list())
    offset += RSTART; rest = substr(S, offset + 1)
  }
}
'

scan_cpp() { # file
  local file=$1 kind text
  while read -r kind text; do
    case $kind in
      ARGV) printf '%s\t%s\n' "$file" "$text" >>"$found" ;;
      MAYBE) printf '%s\t%s\n' "$file" "$text" >>"$maybe" ;;
      SHELL)
        printf '%s\n' "$text" | tr '\001' '\n' >"$work/argv.sh"
        scan_shell "$work/argv.sh" "$file (sh -c)"
        ;;
    esac
  done < <(awk "$cpp_words_awk" "$repo/$file")
}

# ---------------------------------------------------------- CMake files

scan_cmake() { # file
  local file=$1
  sed -e 's/#.*//' "$repo/$file" |
    grep -oE '(COMMAND[[:space:]]+[^[:space:])]+|find_program[[:space:]]*\([^)]*)' |
    sed -E 's/^COMMAND[[:space:]]+//; s/^find_program[[:space:]]*\([[:space:]]*[A-Za-z0-9_]+[[:space:]]*(NAMES[[:space:]]+)?//' |
    tr -s '[:space:]' '\n' | grep -E '^[A-Za-z0-9_.+-]+$' | grep -vE '^[A-Z_]+$' |
    while read -r command; do printf '%s\t%s\n' "$file" "$command"; done >>"$found" || true
}

# ------------------------------------------------------------- verdicts

# The package that owns the program at PATH, as dpkg knows it: through
# alternatives' links, and under /bin as well as /usr/bin (merged /usr).
owning_package() { # path
  local path=$1 real candidate
  real=$(readlink -f "$path")
  for candidate in "$real" "${real#/usr}" "/usr$real" "$path"; do
    dpkg-query -S "$candidate" 2>/dev/null | grep -v '^diversion' | head -n 1 | sed 's/[:,].*//' && return 0
  done
  return 0
}

is_essential() { # package
  [ "$(dpkg-query -W -f='${Essential}' "$1" 2>/dev/null)" = yes ]
}

# Empty when WORD passes; else why not.  CERTAIN is no for a word that may
# not be a program at all (a first string of a list of data).
verdict() { # word certain
  local word=$1 certain=$2 name path package
  case $word in
    *'$'* | *'`'*) return ;;          # a variable program: not ours to know
    /*) name=${word##*/} ;;            # an absolute path: the program's name
    */*) return ;;                     # a path in the repository
    *) name=$word ;;
  esac
  name=${name//[\"\']/}
  [[ $name =~ ^[A-Za-z_][A-Za-z0-9_.+-]*$ ]] || return 0
  [ -z "${listed[$name]:-}" ] || return 0
  [ -z "${functions[$name]:-}" ] || return 0
  if [ "$(type -t "$name" 2>/dev/null)" = builtin ] || [ "$(type -t "$name" 2>/dev/null)" = keyword ]; then
    return 0
  fi
  if ! path=$(type -P "$name"); then
    [ "$certain" = yes ] && echo "$name, which is not installed here and has no line in scripts/packages.txt"
    return 0
  fi
  package=$(owning_package "$path")
  if [ -z "$package" ]; then
    [ "$certain" = yes ] && echo "$name ($path), which comes from no Debian package and has no line in scripts/packages.txt"
    return 0
  fi
  is_essential "$package" && return 0
  if awk -v p="$package" '$1 == p { found = 1 } END { exit !found }' "$list"; then
    echo "$name, which comes from $package, whose line in scripts/packages.txt does not name it"
  else
    echo "$name, which comes from $package, a package with no line in scripts/packages.txt"
  fi
}

judge() { # found-file certain
  local file word key
  while IFS=$'\t' read -r file word; do
    key="$word/$2"
    [ -n "${verdicts[$key]+set}" ] || verdicts[$key]=$(verdict "$word" "$2")
    if [ -n "${verdicts[$key]}" ]; then
      echo "check-packages: $file runs ${verdicts[$key]}" >&2
      faults=$((faults + 1))
    fi
  done < <(sort -u "$1")
}

main() {
  local file count files
  local -a shell_files=() cpp_files=() cmake_files=()
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  [ -z "${CHECK_PACKAGES_KEEP:-}" ] || trap 'cp "$found" "$maybe" "$CHECK_PACKAGES_KEEP"; rm -rf "$work"' EXIT
  found=$work/found
  maybe=$work/maybe
  : >"$found"
  : >"$maybe"
  read_listed_commands
  while read -r file; do
    case $file in
      *.cpp | *.cc | *.h | *.hpp) cpp_files+=("$file") ;;
      CMakeLists.txt | */CMakeLists.txt | *.cmake) cmake_files+=("$file") ;;
      *) if is_shell_script "$file"; then shell_files+=("$file"); fi ;;
    esac
  done < <(repository_files)
  # First the functions that run their arguments, wherever they are defined
  # (xvfb-lib.sh's for the scripts that source it).
  runners=$(for file in "${shell_files[@]}"; do
    normalized_shell "$repo/$file" 2>/dev/null | awk "$runner_functions_awk" || true
  done | tr '\n' ' ')
  for file in "${shell_files[@]}"; do scan_shell "$repo/$file" "$file"; done
  for file in "${cpp_files[@]}"; do scan_cpp "$file"; done
  for file in "${cmake_files[@]}"; do scan_cmake "$file"; done
  judge "$found" yes
  judge "$maybe" no
  if [ "$faults" -gt 0 ]; then
    echo "check-packages: $faults faults: give each program's package a line in scripts/packages.txt, naming the program" >&2
    exit 1
  fi
  count=$(cut -f 2 "$found" | sort -u | wc -l)
  files=$(cut -f 1 "$found" | sort -u | wc -l)
  echo "check-packages: each of the $count command words in $files files is named in scripts/packages.txt, a builtin, a function or from an Essential package"
}

main "$@"
