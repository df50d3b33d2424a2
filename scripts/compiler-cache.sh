# Sourced by the build scripts: run the compilers through ccache when it is
# installed. CMake takes the launchers from these variables when a build
# folder is first configured; ccache keys each compilation on paths relative
# to the repository's top folder, so clones in other folders share the cache.
if command -v ccache >/dev/null; then
    export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
    export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
fi
