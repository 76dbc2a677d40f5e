# Steps shared by ./tornel run and ./tornel test.

PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev libgl-dev zlib1g-dev libdeflate-dev
          libgtest-dev libgmock-dev clang libclang-rt-14-dev iproute2 util-linux fonts-dejavu-core fonts-wqy-microhei)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {
    local missing=()
    for package in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
    fi
}

# build_tree DIR [cmake options…]
build_tree() {
    local dir=$1
    shift
    local options=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo)
    if [ -n "${CI:-}" ]; then options+=(-DTORNEL_WERROR=ON); fi
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S . -B "$dir" "${options[@]}" "$@"
    fi
    cmake --build "$dir" --parallel "$(nproc)"
}

# Builds the libFuzzer targets with clang and runs each for a bounded time.
run_fuzzers() {
    if ! command -v clang++ >/dev/null; then
        echo "clang++ not found: fuzz targets skipped"
        return
    fi
    if ! ls tests/fuzz/fuzz_*.cpp >/dev/null 2>&1; then
        return
    fi
    CC=clang CXX=clang++ build_tree build-fuzz -DTORNEL_FUZZ=ON
    local seconds=${FUZZ_SECONDS:-20}
    for target in build-fuzz/bin/fuzz_*; do
        local name corpus
        name=$(basename "$target")
        corpus=build-fuzz/corpus/$name
        mkdir -p "$corpus"
        if [ -d "tests/fuzz/corpus/$name" ]; then cp -n tests/fuzz/corpus/"$name"/* "$corpus"/ 2>/dev/null || true; fi
        echo "Fuzzing $name for ${seconds}s"
        "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -print_final_stats=1 \
            "$corpus" >"build-fuzz/$name.log" 2>&1 || { tail -n 40 "build-fuzz/$name.log"; return 1; }
        grep -E '^stat::number_of_executed_units' "build-fuzz/$name.log" || true
    done
}

# Runs CTest inside a private network namespace with only loopback where the
# machine allows it, so no test can reach a real network; directly otherwise.
run_suite() {
    local dir=$1
    local ctest_args=(--test-dir "$dir" --output-on-failure --parallel "$(nproc)" --timeout 300)
    local ip_cmd
    ip_cmd=$(command -v ip || echo /usr/sbin/ip)
    if unshare -rn "$ip_cmd" link set lo up 2>/dev/null; then
        echo "Running the suite in a private network namespace (loopback only)"
        unshare -rn sh -c "\"$ip_cmd\" link set lo up && exec ctest $(printf '%q ' "${ctest_args[@]}")"
    else
        echo "Running the suite directly (no private network namespace available)"
        ctest "${ctest_args[@]}"
    fi
}
