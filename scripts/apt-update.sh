# Sourced by the set-up scripts: apt_update refreshes the package indexes.
# A mirror in mid-sync fails an index now and then: try again, then go on
# with the indexes there are (a package that is not found still fails).
apt_update() {
  local try
  for try in 1 2 3; do
    $SUDO "${apt[@]}" update -qq && return 0
    [ "$try" = 3 ] || sleep 30
  done
  echo "apt-get update failed three times: going on"
}
