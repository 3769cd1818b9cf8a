# Shared by the fuzz scripts (sourced, not run): the targets and the sanitizer options.
# shellcheck shell=bash
# shellcheck disable=SC2034 # used by the scripts that source this file
fuzz_targets=(dat_fuzz mip_fuzz mi4_fuzz mesh_fuzz pcx_fuzz png_fuzz run_fuzz)

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
