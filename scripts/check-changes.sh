#!/usr/bin/env bash
# Checks the C++ lines changed since the commit named in .ci/checked-base:
#   - their formatting, as .clang-format says (git clang-format);
#   - clang-tidy's findings with .clang-tidy; any finding on a changed line
#     fails the check.
# Only changed lines count: most of the tree was written before these checks
# and is left as it is. Changes not yet committed count too. Deleted files are
# skipped; generated sources live in the build folder, which git does not
# track, so they never show up as changes.
#   scripts/check-changes.sh [BUILD_DIR]   (default: build/, configured by
#                                           scripts/setup.sh; clang-tidy reads
#                                           its compile_commands.json)
# To move the base forward once the tree is clean up to HEAD:
#   git rev-parse HEAD > .ci/checked-base   and commit that.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
build_dir=${1:-${BUILD_DIR:-$top/build}}
jobs=2
started=$SECONDS

say() { echo "check-changes: $*"; }
fail() {
    echo "check-changes: FAILED: $*" >&2
    exit 1
}

have_commit() { git rev-parse -q --verify "$1^{commit}" >/dev/null 2>&1; }

# --- The base: the commit in .ci/checked-base, or a stated stand-in. ---------
base_file=.ci/checked-base
[ -f "$base_file" ] || fail "$base_file is missing; it names the commit the check starts from"
base=$(tr -d '[:space:]' <"$base_file")
[[ $base =~ ^[0-9a-f]{7,40}$ ]] || fail "$base_file must hold one commit hash, not \"$base\""

if ! have_commit "$base" && [ "$(git rev-parse --is-shallow-repository)" = true ]; then
    say "the base commit $base ($base_file) is not in this shallow clone"
    remote=$(git remote | head -n 1)
    if [ -n "$remote" ]; then
        say "fetching it from $remote"
        GIT_TERMINAL_PROMPT=0 timeout 120 git fetch -q --no-tags --depth=1 "$remote" "$base" || true
        # Without the base, at least the last commit's parent.
        have_commit "$base" || have_commit HEAD^ ||
            GIT_TERMINAL_PROMPT=0 timeout 120 git fetch -q --no-tags --deepen=1 "$remote" || true
    fi
fi

if have_commit "$base"; then
    base=$(git rev-parse "$base^{commit}")
    what="since $base_file ($(git log -1 --format='%h %s' "$base" | cut -c1-70))"
    if ! git merge-base --is-ancestor "$base" HEAD 2>/dev/null; then
        if fork=$(git merge-base "$base" HEAD 2>/dev/null); then
            say "NOTE: $base is not an ancestor of HEAD; comparing with the fork point $fork instead"
            base=$fork
            what="since the fork point of HEAD and $base_file's commit"
        else
            say "NOTE: cannot tell whether $base is an ancestor of HEAD (history cut off); comparing with it anyway"
        fi
    fi
elif [ "$(git rev-parse --is-shallow-repository)" = true ]; then
    if have_commit HEAD^; then
        say "WARNING: the base commit $base ($base_file) is not in this shallow clone and could not be fetched."
        say "WARNING: checking only the changes of the LAST COMMIT instead; fetch the history (git fetch --unshallow) for the full check."
        base=$(git rev-parse HEAD^)
        what="in the last commit only (shallow clone)"
    else
        fail "this clone holds only its last commit and neither the base commit $base ($base_file)
nor the last commit's parent could be fetched, so which lines changed is unknown; nothing was
checked. Clone with more history (git fetch --unshallow, or a fetch depth of 2 or more)."
    fi
else
    fail "$base_file names $base, which this repository does not have; it must name a commit of main's history"
fi

# --- The changed C++ files (added, copied, modified, renamed; not deleted). ---
diff_args=(-c core.quotePath=false diff --no-ext-diff --no-textconv --no-color --diff-filter=d)
patterns=('*.cpp' '*.cc' '*.cxx' '*.h' '*.hh' '*.hpp')
files=()
while IFS= read -r -d '' f; do
    # A symbolic link's target is checked under its own name.
    [ -f "$f" ] && [ ! -L "$f" ] && files+=("$f")
done < <(git "${diff_args[@]}" --name-only -z "$base" -- "${patterns[@]}")

if ((${#files[@]} == 0)); then
    say "no C++ file changed $what: passed ($((SECONDS - started)) s)"
    exit 0
fi
say "${#files[@]} C++ file(s) changed $what:"
printf '    %s\n' "${files[@]}"

if ! command -v clang-format >/dev/null || ! command -v clang-tidy >/dev/null ||
    ! git clang-format -h >/dev/null 2>&1; then
    fail "clang-format, git clang-format and clang-tidy are needed (scripts/setup.sh installs them)"
fi
[ -f "$build_dir/compile_commands.json" ] ||
    fail "$build_dir/compile_commands.json is missing; configure the build first (scripts/setup.sh)"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
status=0

# --- Formatting of the changed lines. -----------------------------------------
set +e
git clang-format --diff --style=file --extensions cpp,cc,cxx,h,hh,hpp "$base" -- "${files[@]}" >"$tmp/format" 2>&1
rc=$?
set -e
# git clang-format prints the changes clang-format wants as a diff; version 14
# exits with 0 then, later ones with 1.
if grep -q '^diff --git ' "$tmp/format" && ((rc <= 1)); then
    rc=1
elif ((rc == 1)); then
    rc=2 # no diff: git clang-format itself failed
fi
case $rc in
    0) say "formatting: the changed lines follow .clang-format" ;;
    1) {
        echo
        echo "check-changes: formatting: changed lines differ from .clang-format"
        echo "(- as written, + as clang-format wants; 'git clang-format $(git rev-parse --short "$base")' fixes them in place):"
        cat "$tmp/format"
        echo
    } >&2
       status=1 ;;
    *) cat "$tmp/format" >&2
       say "formatting: git clang-format failed (status $rc)" >&2
       status=1 ;;
esac

# --- clang-tidy on the changed lines. -----------------------------------------
# One clang-tidy per file, told the file's changed line ranges; its findings
# elsewhere, in other files and in system headers are not reported. Headers
# get a compile command borrowed from a source file beside them. Compiler
# warnings are the build's business: clang-tidy would report every one made an
# error by -Werror (SNIPFORGE_WERROR), on any line of any of our files.
git "${diff_args[@]}" -U0 --src-prefix=a/ --dst-prefix=b/ "$base" -- "${files[@]}" |
    awk '
        function flush() {
            if (name != "" && ranges != "") {
                gsub(/\\/, "\\\\", name); gsub(/"/, "\\\"", name)
                printf "%s\t[{\"name\":\"/%s\",\"lines\":[%s]}]\n", file, name, ranges
            }
            ranges = ""
        }
        /^\+\+\+ / {
            flush()
            file = substr($0, 7); sub(/\t$/, "", file); name = file
            next
        }
        /^@@ / {
            # @@ -a,b +start,count @@: count 0 is a pure deletion.
            split($3, plus, ","); start = substr(plus[1], 2) + 0
            count = (2 in plus) ? plus[2] + 0 : 1
            if (count > 0) ranges = ranges (ranges == "" ? "" : ",") "[" start "," start + count - 1 "]"
        }
        END { flush() }' >"$tmp/ranges"

# shellcheck disable=SC2317 # run by xargs
tidy_one() { # index file line-filter
    local out=$tmp/tidy.$1
    clang-tidy -p "$build_dir" --quiet --warnings-as-errors='*' --extra-arg=-Wno-error \
        --line-filter="$3" "$2" >"$out" 2>&1
    echo $? >"$out.rc"
}
export -f tidy_one
export tmp build_dir

n=0
tidied=()
while IFS=$'\t' read -r f filter; do
    printf '%s\0%s\0%s\0' "$n" "$f" "$filter"
    tidied+=("$f")
    n=$((n + 1))
done <"$tmp/ranges" >"$tmp/jobs"
xargs -0 -n 3 -P "$jobs" bash -c 'tidy_one "$@"' _ <"$tmp/jobs" || true

tidy_failed=0
for ((i = 0; i < n; i++)); do
    rc=$(cat "$tmp/tidy.$i.rc" 2>/dev/null || echo "no result")
    # The count of diagnostics clang-tidy parsed and dropped is noise.
    grep -Ev '^[0-9]+ (warning|error)s? (and [0-9]+ errors? )?generated\.$' "$tmp/tidy.$i" >"$tmp/tidy.$i.shown" || true
    if [ "$rc" = 0 ]; then
        # Nothing counts as a finding here, but what clang-tidy says about
        # its configuration or the compile command is shown.
        if [ -s "$tmp/tidy.$i.shown" ]; then
            say "clang-tidy: ${tidied[i]}:"
            cat "$tmp/tidy.$i.shown"
        fi
    else
        tidy_failed=$((tidy_failed + 1))
        {
            echo
            echo "check-changes: clang-tidy: ${tidied[i]} (status $rc):"
            cat "$tmp/tidy.$i.shown"
        } >&2
    fi
done
if ((tidy_failed)); then
    say "clang-tidy: findings on changed lines of $tidy_failed of $n file(s) (see above; .clang-tidy says what is checked)" >&2
    status=1
else
    say "clang-tidy: no findings on the changed lines of $n file(s)"
fi

if ((status)); then
    say "FAILED ($((SECONDS - started)) s)" >&2
else
    say "passed ($((SECONDS - started)) s)"
fi
exit $status
