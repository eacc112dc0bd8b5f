# bench_numeric: the dense solvers beside Eigen, and the adaptive Gauss
# quadrature beside a bare loop of the same integrand calls. Eigen serves
# only as a yardstick; without it the solver cases run alone.
matrix_add_bench(bench_numeric numeric.cpp numeric_linear.cpp)
find_package(Eigen3 3.3 NO_MODULE)
if(TARGET Eigen3::Eigen)
  target_link_libraries(bench_numeric PRIVATE Eigen3::Eigen)
  target_compile_definitions(bench_numeric PRIVATE MATRIX_BENCH_HAVE_EIGEN)
else()
  message(STATUS "Eigen not found: bench_numeric runs without Eigen")
endif()
