sonquill_add_bench(bench_soundfacts SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_soundfacts.cpp
                   LIBS sonquill_check)
