# Shared by the shell tests: a test goes on after a failed check, so that one run names every
# fault, and ends with a non-zero status when any check failed. Source it.
failures=0

# fail <text>: one failed check.
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# finish: the test's last command.
finish() {
  [ "$failures" -eq 0 ] || exit 1
}
