#!/bin/bash
# The bash completion and the man page of vestura-cli against the built tool: every command
# and option its usage names is in the completion's table and on the man page (and every
# table line not marked pending is in the usage); what the completion offers for commands,
# options, categories and the captions of the catalogue in use (that of --folder).
# Usage: completion_test.sh <built program folder> <source folder>
set -uo pipefail

bin_dir=$(realpath "$1")
source_dir=$(realpath "$2")
completion="$source_dir/completion/vestura-cli"
manual="$source_dir/debian/man/vestura-cli.1"
cli="$bin_dir/vestura-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_DATA_HOME="$work/data"
mkdir -p "$HOME"
problems=0

problem() {
    echo "FAIL: $*" >&2
    problems=$((problems + 1))
}

# "COMMAND OPTION" for every option the usage names.
usage_pairs() {
    "$cli" --help | awk '
        /^  vestura-cli [a-z]/ { command = $2 }
        /^  / { for (i = 1; i <= NF; i++) if (match($i, /--[a-z]+/)) {
                    option = substr($i, RSTART, RLENGTH)
                    if (command == "" || option == "--help" || option == "--version") continue
                    # "--glasses E ... --boots E" stands for the seven categories.
                    if (option == "--glasses" || option == "--boots") {
                        n = split("glasses beard chain watch shirt jeans boots", all, " ")
                        for (k = 1; k <= n; k++) print command, "--" all[k]
                    } else print command, option } }
        !/^  / { command = "" }' | LC_ALL=C sort -u
}
# "COMMAND OPTION" for every line of the completion's table; with "pending", those only.
table_pairs() {
    bash -c 'source "$1"; printf "%s\n" "$_vestura_cli_table"' table "$completion" |
        awk -v only="$1" 'NF >= 2 && $2 != "-" && (only == "" || /# pending/) { print $1, $2 }' |
        LC_ALL=C sort -u
}

usage_pairs >"$work/usage"
[ -s "$work/usage" ] || problem "no options read from vestura-cli --help"
table_pairs "" >"$work/table"
table_pairs pending >"$work/pending"
missing=$(LC_ALL=C comm -23 "$work/usage" "$work/table")
[ -z "$missing" ] || problem "options of the usage missing from the completion's table: $missing"
unknown=$(LC_ALL=C comm -13 "$work/usage" "$work/table" | LC_ALL=C comm -23 - "$work/pending")
[ -z "$unknown" ] || problem "completion table lines the usage does not name (mark them pending): $unknown"
while read -r command option; do
    grep -qF -- "${option//-/\\-}" "$manual" || problem "the man page does not describe $option"
    grep -qF ".B vestura\\-cli $command " "$manual" || problem "the man page has no synopsis of $command"
done <"$work/usage"

# Completes the words given (the last one being typed); prints what is offered, one a line.
offered() {
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
             _vestura_cli 2>/dev/null; printf "%s\n" "${COMPREPLY[@]}"' completion "$completion" "$@"
}
expect() {
    local want=$1
    shift
    local got
    got=$(offered "$@")
    [ "$got" = "$want" ] || problem "completing '$*': wanted '$want', got '$got'"
}

catalogue="$work/catalogue with space"
mkdir -p "$catalogue"
printf '<NEW>\r\nx.bmp\r\nAviator "Top" sunglasses\r\n<NEW>\r\ny.bmp\r\nAvocado rims\r\n' >"$catalogue/e.ls"
printf '<NEW>\r\nz.bmp\r\nHawaiian shirt\r\n' >"$catalogue/k.ls"
# An empty caption is offered as itself, never as its picture's path.
printf '<NEW>\r\nparts/belt.bmp\r\n\r\n' >"$catalogue/j.ls"

expect render "$cli" ren
expect $'check\nconvert' "$cli" c
expect --fix "$cli" doctor --f --game x --fi
expect $'--folder\n--fix' "$cli" doctor --f
expect $'shirt' "$cli" template --category sh
expect 'glasses=' "$cli" render --colour gl
expect '' "$cli" view --size ''
expect 'Aviator "Top" sunglasses' "$cli" render --folder "$catalogue" --glasses Avi
expect 'Aviator "Top" sunglasses' "$cli" render --folder "'$catalogue'" --glasses '"Avi'
expect $'Aviator "Top" sunglasses\nAvocado rims' "$cli" view --folder "$catalogue" --glasses av
expect 'Hawaiian shirt' "$cli" render --folder "$catalogue" --Shirt "'h"
expect '' "$cli" render --folder "$catalogue" --jeans ''
# Without --folder: the user's own catalogue, when it holds a list file.
mkdir -p "$XDG_DATA_HOME/vestura/catalogue"
printf '<NEW>\r\nz.bmp\r\nHomemade vest\r\n' >"$XDG_DATA_HOME/vestura/catalogue/k.ls"
expect 'Homemade vest' "$cli" render --shirt Hom
# Nothing typed on the line is run.
expect '' "$cli" render --folder '$(touch '"$work"'/ran)' --glasses A
[ ! -e "$work/ran" ] || problem "the completion ran a command typed on the line"

[ "$problems" -eq 0 ] || exit 1
echo "completion and man page checks passed"
