# Shared by the comparison scripts (sourced, not run).
# best COMMAND...: the best of $runs runs (default 3) of a command, wall and processor time
# (user + system) in ms divided by $pages (default 1), with $digits decimals (default 1).
best() {
  local bestWall=999999 bestCpu=999999 n=${runs:-3} p=${pages:-1} d=${digits:-1}
  for ((k = 0; k < n; k++)); do
    local t wall user sys cpu
    t=$( { TIMEFORMAT='%R %U %S'; time "$@" > /dev/null 2>&1; } 2>&1 )
    read -r wall user sys <<< "$t"
    wall=$(awk -v w="$wall" -v p="$p" -v d="$d" 'BEGIN { printf "%.*f", d, w * 1000 / p }')
    cpu=$(awk -v u="$user" -v s="$sys" -v p="$p" -v d="$d" 'BEGIN { printf "%.*f", d, (u + s) * 1000 / p }')
    awk -v a="$wall" -v b="$bestWall" 'BEGIN { exit !(a < b) }' && bestWall=$wall
    awk -v a="$cpu" -v b="$bestCpu" 'BEGIN { exit !(a < b) }' && bestCpu=$cpu
  done
  local unit="ms"
  [ "$p" != 1 ] && unit="ms/page"
  echo "$bestWall $unit wall, $bestCpu $unit cpu"
}
