# shellcheck shell=bash
# The tally the test scripts keep, sourced as `. scripts/tally.sh NAME` from the repository's
# root. Every line it prints starts with NAME; finish ends the script with the closing line
# "NAME: N passed, M failed" (", K skipped" where tests did not run), which the test command
# adds up with count_script.
tally_name=$1
passed=0
failed=0
skipped=0
tally_started=$(date +%s)
tally_step=$tally_started

pass() { passed=$((passed + 1)); echo "$tally_name: PASS $*"; }
fail() { failed=$((failed + 1)); echo "$tally_name: FAIL $*"; }

took() { # took WHAT: the time since the last call, for the figures of what each part costs
    local now
    now=$(date +%s)
    echo "$tally_name: time: $* took $((now - tally_step)) s"
    tally_step=$now
}

count_ctest() { # count_ctest LOG WHAT: adds up the "N tests failed out of M" line of a ctest log
    local line skips
    line=$(grep -E "tests? failed out of [0-9]+" "$1" | tail -n 1 || true)
    # Tests that did not run (a skip) are in M, but did not pass.
    skips=$(grep -cE "^\s+[0-9]+ - .* \((Skipped|Not Run)\)$" "$1" || true)
    if [[ $line =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
        failed=$((failed + BASH_REMATCH[1]))
        passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1] - skips))
        skipped=$((skipped + skips))
    else
        fail "$2: ctest gave no result (log $1)"
    fi
}

count_unittest() { # count_unittest LOG WHAT: adds up a Python unittest log (ran, less failures, errors, skips)
    local ran bad skips
    ran=$(sed -n 's/^Ran \([0-9]*\) tests\?.*/\1/p' "$1" | tail -n 1)
    bad=$(($(grep -E '^FAILED \(' "$1" | grep -oE '(failures|errors)=[0-9]+' | cut -d= -f2 |
        paste -sd+ -) + 0))
    skips=$(($(grep -E '^(OK|FAILED) \(' "$1" | grep -oE 'skipped=[0-9]+' | cut -d= -f2 |
        paste -sd+ -) + 0))
    if [[ -n $ran ]]; then
        passed=$((passed + ran - bad - skips))
        failed=$((failed + bad))
        skipped=$((skipped + skips))
    else
        fail "$2 gave no result (log $1)"
    fi
}

count_script() { # count_script NAME LOG: adds up another script's closing line
    local line
    line=$(grep -E "^$1: [0-9]+ passed, [0-9]+ failed" "$2" | tail -n 1 || true)
    if [[ $line =~ ([0-9]+)\ passed,\ ([0-9]+)\ failed(,\ ([0-9]+)\ skipped)? ]]; then
        passed=$((passed + BASH_REMATCH[1]))
        failed=$((failed + BASH_REMATCH[2]))
        skipped=$((skipped + ${BASH_REMATCH[4]:-0}))
    else
        fail "$1 gave no result (log $2)"
    fi
}

tally_line() { # tally_line NAME: the closing line
    echo "$1: $passed passed, $failed failed$( ((skipped == 0)) || echo ", $skipped skipped")"
}

finish() {
    echo "$tally_name: took $(($(date +%s) - tally_started)) s"
    tally_line "$tally_name"
    exit $((failed > 0))
}
