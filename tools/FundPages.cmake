# Fund pages of our own for the tests, the benchmarks and the demo, written
# into the build tree; the seed fixes them.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(fund_pages_generator ${PROJECT_SOURCE_DIR}/tools/make_fund_pages.py)
add_custom_command(
  OUTPUT ${QINGHE_GENERATED_PAGES_DIR}/codes.txt ${QINGHE_GENERATED_PAGES_DIR}/holdings.tsv
         ${QINGHE_GENERATED_PAGES_DIR}/source-codes.txt
  COMMAND Python3::Interpreter ${fund_pages_generator} --seed 11 --out ${QINGHE_GENERATED_PAGES_DIR}
  DEPENDS ${fund_pages_generator} ${PROJECT_SOURCE_DIR}/tools/fund_answers.py
  COMMENT "Generating the fund pages of the tests and the demo")
add_custom_target(fund_pages ALL DEPENDS ${QINGHE_GENERATED_PAGES_DIR}/codes.txt)
