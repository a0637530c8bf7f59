# Shared by bench/ostrel_cost.sh and bench/sparvel_cost.sh (sourced, not run):
# starts programs side by side, measures each one's CPU time and resident
# memory over REPEATS consecutive windows of SECONDS after a warm-up, and
# prints min/median/max per program.
#
# CPU time is the scheduler's run time of every thread of the process
# (/proc/<pid>/task/*/sched, microseconds), or utime + stime from
# /proc/<pid>/stat (10 ms steps) where the kernel has no such file. Memory is
# VmRSS at the end of each window; VmHWM is the peak over the whole run.

cost_names=()
cost_pids=()
cost_work=""

cost_cleanup() {
  for pid in "${cost_pids[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  [ -n "$cost_work" ] && rm -rf "$cost_work"
}

# cost_start NAME DIR COMMAND...: runs COMMAND in DIR with its own runtime
# folder (so single-instance locks do not meet), output to DIR/program.log.
cost_start() {
  local name="$1" dir="$2"
  shift 2
  mkdir -p -m 700 "$dir/runtime"
  (cd "$dir" && XDG_RUNTIME_DIR="$dir/runtime" exec "$@" >"$dir/program.log" 2>&1) &
  cost_names+=("$name")
  cost_pids+=("$!")
}

if [ -r "/proc/$$/sched" ]; then
  cost_source="scheduler run time"
  cost_cpu_ms() { cat /proc/"$1"/task/*/sched 2>/dev/null | awk '$1 == "se.sum_exec_runtime" { t += $3 } END { printf "%.3f", t }'; }
else
  cost_source="utime+stime"
  cost_cpu_ms() { awk -v hz="$(getconf CLK_TCK)" '{ printf "%.3f", ($14 + $15) * 1000 / hz }' "/proc/$1/stat"; }
fi
cost_status_kb() { awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/status"; }

# "min/median/max" of the numbers given, with the printf format $1.
cost_stats() {
  local format="$1"
  shift
  printf '%s\n' "$@" | sort -g | awk -v f="$format" '{ v[NR] = $1 } END {
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf f "/" f "/" f, v[1], m, v[NR] }'
}
cost_median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# cost_measure WARMUP SECONDS REPEATS UNIT: fills cost_cpu_<i> and cost_rss_<i>
# (arrays of per-window figures, CPU in ms per second of wall time).
cost_measure() {
  local warmup="$1" seconds="$2" repeats="$3" i r
  sleep "$warmup"
  for i in "${!cost_pids[@]}"; do
    kill -0 "${cost_pids[$i]}" 2>/dev/null || {
      echo "cost: ${cost_names[$i]} ended early" >&2
      cat "$cost_work"/*/program.log >&2
      exit 1
    }
    eval "cost_cpu_$i=()"
    eval "cost_rss_$i=()"
  done
  for ((r = 0; r < repeats; r++)); do
    local start=() stop=() t0 t1
    t0="$(date +%s.%N)"
    for i in "${!cost_pids[@]}"; do start[$i]="$(cost_cpu_ms "${cost_pids[$i]}")"; done
    sleep "$seconds"
    t1="$(date +%s.%N)"
    for i in "${!cost_pids[@]}"; do stop[$i]="$(cost_cpu_ms "${cost_pids[$i]}")"; done
    for i in "${!cost_pids[@]}"; do
      eval "cost_cpu_$i+=(\"\$(awk -v a=${start[$i]} -v b=${stop[$i]} -v w=\$(awk -v x=$t0 -v y=$t1 'BEGIN { print y - x }') 'BEGIN { printf \"%.4f\", (b - a) / w }')\")"
      eval "cost_rss_$i+=(\"\$(cost_status_kb ${cost_pids[$i]} VmRSS)\")"
    done
  done
}

# cost_report TITLE UNIT: the table, then each program's ratios to the last one
# started (the baseline), medians against medians.
cost_report() {
  local title="$1" unit="$2" i last=$((${#cost_pids[@]} - 1)) base_cpu base_rss
  echo "$title"
  echo "CPU time from $cost_source; min/median/max over the windows"
  printf "%-40s %22s %20s %9s %9s %9s\n" program "CPU $unit" "RSS MiB" "peak MiB" "CPU x" "RSS x"
  eval "base_cpu=\$(cost_median \"\${cost_cpu_$last[@]}\")"
  eval "base_rss=\$(cost_median \"\${cost_rss_$last[@]}\")"
  for i in "${!cost_pids[@]}"; do
    local cpu rss mib=() k cpu_m rss_m hwm
    eval "cpu=(\"\${cost_cpu_$i[@]}\")"
    eval "rss=(\"\${cost_rss_$i[@]}\")"
    for k in "${rss[@]}"; do mib+=("$(awk -v k="$k" 'BEGIN { printf "%.2f", k / 1024 }')"); done
    cpu_m="$(cost_median "${cpu[@]}")"
    rss_m="$(cost_median "${rss[@]}")"
    hwm="$(cost_status_kb "${cost_pids[$i]}" VmHWM)"
    printf "%-40s %22s %20s %9.1f %9.2f %9.2f\n" "${cost_names[$i]}" "$(cost_stats %.3f "${cpu[@]}")" \
      "$(cost_stats %.1f "${mib[@]}")" "$(awk -v k="$hwm" 'BEGIN { print k / 1024 }')" \
      "$(awk -v a="$cpu_m" -v b="$base_cpu" 'BEGIN { print (b > 0) ? a / b : 0 }')" \
      "$(awk -v a="$rss_m" -v b="$base_rss" 'BEGIN { print (b > 0) ? a / b : 0 }')"
  done
}

# Reads the common options: [--log off|on|both] [--repeats N] [--no-build]
# [seconds]. --no-build takes the programs as they are in the build folder
# (OSTREL_BUILD_DIR), for instance binaries of an earlier commit kept aside.
cost_build=1
cost_log=off
cost_repeats=3
cost_seconds=60
cost_options() {
  while [ $# -gt 0 ]; do
    case "$1" in
      --log) cost_log="$2"; shift 2 ;;
      --repeats) cost_repeats="$2"; shift 2 ;;
      --no-build) cost_build=0; shift ;;
      -*) echo "cost: unknown option $1" >&2; exit 2 ;;
      *) cost_seconds="$1"; shift ;;
    esac
  done
  case "$cost_log" in off | on | both) ;; *) echo "cost: --log takes off, on or both" >&2; exit 2 ;; esac
}
