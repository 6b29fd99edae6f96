sonquill_add_bench(bench_ui SOURCES bench_ui.cpp LIBS sonquill_mainwindow Qt6::Widgets)
