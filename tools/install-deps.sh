#!/usr/bin/env bash
# Installs what building and testing wqspec needs, from Debian's packages.
# Quiet and quick when everything is already there.
set -euo pipefail
packages=(cmake g++ make libgtest-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
          libtomlplusplus-dev libfmt-dev
          python3-numpy python3-pandas python3-iapws python3-matplotlib clang-14 libclang-rt-14-dev
          python3-dev pybind11-dev python3-pytest python3-pip python3-setuptools python3-dask
          python3-distributed python3-nbclient python3-ipykernel python3-nbformat
          python3-wheel python3-build python3-venv python3-tqdm mypy)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi
