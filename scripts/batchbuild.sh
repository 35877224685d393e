# Sourced by the build scripts.
#
#   batched_build NAME FOLDER TARGET [CMAKE-ARGUMENT...]
#
# Configures FOLDER with the arguments and builds TARGET there (everything when TARGET is
# empty). The sources of each library and program are compiled in batches (a unity build),
# which takes well under half the time; should two files of one batch clash, the tree is
# built again file by file, and NAME says so on stderr.
batched_build() {
  local name=$1 folder=$2 target=$3
  shift 3
  local build=(cmake --build "$folder" -j"$(nproc)")
  [[ -n $target ]] && build+=(--target "$target")
  cmake -S . -B "$folder" "$@" -DCMAKE_UNITY_BUILD=ON >/dev/null
  if ! "${build[@]}"; then
    echo "$name: the batched build failed; building file by file" >&2
    cmake -S . -B "$folder" "$@" -DCMAKE_UNITY_BUILD=OFF >/dev/null
    "${build[@]}"
  fi
}
