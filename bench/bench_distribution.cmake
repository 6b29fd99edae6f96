sonquill_add_bench(bench_distribution SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_distribution.cpp
                   LIBS sonquill_distribution)
