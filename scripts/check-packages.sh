#!/usr/bin/env bash
# Checks that every system file a configured build uses comes from a package that
# scripts/install-deps.sh installs, directly or as one of its dependencies. A package
# that is only present on this machine would make the build fail on a fresh one.
#
# Usage: scripts/check-packages.sh BUILD_DIR [BUILD_DIR...]
# Looked at: the package folders (*_DIR) in each CMake cache, the compiler and build tool,
# and every path under /usr that the generated build.ninja names (libraries, include
# folders, code generators, the CMake files read while configuring).
set -euo pipefail
cd "$(dirname "$0")/.."

[[ $# -ge 1 ]] || { echo "usage: $0 BUILD_DIR..." >&2; exit 2; }

used=()
for dir in "$@"; do
    cache="$dir/CMakeCache.txt"
    [[ -f "$cache" ]] || { echo "check-packages: $cache not found; configure first" >&2; exit 2; }
    while IFS= read -r value; do
        used+=("$value")
    done < <(sed -n -E 's/^([A-Za-z0-9_]+_DIR|CMAKE_CXX_COMPILER|CMAKE_MAKE_PROGRAM):[A-Z]+=(\/usr\/.*)$/\2/p' "$cache")
    if [[ -f "$dir/build.ninja" ]]; then
        while IFS= read -r value; do
            used+=("$value")
        done < <(grep -o -E '/usr/[^ :;"$)\\]*' "$dir/build.ninja" | sort -u)
    fi
done

# Resolve links (alternatives such as /usr/bin/c++) and keep what exists; a package
# folder is represented by its config file so that the package owning it is named.
paths=()
for p in "${used[@]}"; do
    [[ -e "$p" ]] || continue
    if [[ -d "$p" ]]; then
        config=$(find "$p" -maxdepth 1 \( -name '*Config.cmake' -o -name '*-config.cmake' \) -print -quit)
        [[ -n "$config" ]] && p=$config
    fi
    paths+=("$(readlink -f "$p")")
done
mapfile -t paths < <(printf '%s\n' "${paths[@]}" | sort -u)
[[ ${#paths[@]} -gt 0 ]] || { echo "check-packages: no system files found in $*" >&2; exit 2; }

# Packages the install script provides: its list and everything they depend on.
mapfile -t listed < <(scripts/install-deps.sh --list)
declare -A provided=()
while IFS= read -r name; do
    [[ -n "$name" ]] && provided["$name"]=1
done < <(
    {
        printf '%s\n' "${listed[@]}"
        apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
            --no-replaces --no-enhances "${listed[@]}" 2>/dev/null |
            sed -E 's/^ *\|?[A-Za-z]+: //; s/^ +//; s/[<>]//g; s/:[a-z0-9]+$//'
    } | sort -u
)

declare -A owners=()
while IFS= read -r line; do
    [[ "$line" == *": /"* ]] || continue
    owners["/${line#*: /}"]=${line%%: /*}
done < <(dpkg -S "${paths[@]}" 2>/dev/null || true)

declare -A missing=()
unowned=()
for p in "${paths[@]}"; do
    owner_list=${owners[$p]:-}
    if [[ -z "$owner_list" ]]; then
        unowned+=("$p")
        continue
    fi
    ok=0
    IFS=', ' read -r -a names <<<"$owner_list"
    for name in "${names[@]}"; do
        name=${name%%:*}
        if [[ -n "$name" && -n "${provided[$name]:-}" ]]; then
            ok=1
            break
        fi
    done
    [[ $ok -eq 1 ]] || missing["${owner_list//:amd64/}"]=$p
done

for p in "${unowned[@]}"; do
    echo "check-packages: $p is used by the build but belongs to no Debian package" >&2
done
for package in "${!missing[@]}"; do
    echo "check-packages: the build uses $package (${missing[$package]}), which scripts/install-deps.sh does not install" >&2
done
if [[ ${#unowned[@]} -gt 0 || ${#missing[@]} -gt 0 ]]; then
    echo "check-packages: a fresh machine would lack what the build uses; add the package to scripts/install-deps.sh" >&2
    exit 1
fi
echo "check-packages: ${#paths[@]} system files, all from packages that install-deps.sh installs"
