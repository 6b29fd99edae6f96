sonquill_add_bench(bench_storage SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_storage.cpp
                   LIBS sonquill_storage)
