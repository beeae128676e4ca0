# Checks for the test scripts. Source it, state each expectation with check, end with checks_end.

failures=0

# check DESCRIPTION COMMAND...: runs the command and says whether the expectation held.
check() {
  local what=$1
  shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}

# checks_end [HINT]: the verdict; exits 1 after any failed check, saying HINT (where to look).
checks_end() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures checks failed${1:+; $1}"
    exit 1
  fi
  echo "all checks passed"
}
