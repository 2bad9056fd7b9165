# Shared by the benchmark scripts: sourced, not run.

# The processor and the file system that hold DIR, as every figure must name them.
describe_machine() {
    echo "processor: $(lscpu | sed -n 's/^Model name: *//p' | head -n 1), $(nproc) cores," \
        "$(awk '/MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo), kernel $(uname -r)"
    echo "file system: $(df -T "$1" | awk 'NR == 2 {print $2 " on " $1 " (" $7 ")"}')," \
        "$(wc -l </proc/self/mounts) mounts"
}

# The median of the numbers on standard input, one a line.
median() {
    sort -g | awk '{v[NR] = $1} END {if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}
