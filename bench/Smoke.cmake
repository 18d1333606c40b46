# The generator and every benchmark, once, on tiny data: they must run, find what they expect
# and print a full table. Timings are not judged here.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/data/300 ${WORK}/again)

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "${ARGN}\nexit ${rc}\n${out}\n${err}")
    endif()
    set(output "${out}" PARENT_SCOPE)
endfunction()

run(${GENERATOR} --out ${WORK}/data/300 --products 300 --orders 40 --seed 7)
# The same seed gives the same data.
run(${GENERATOR} --out ${WORK}/again --products 300 --orders 40 --seed 7)
file(SHA256 ${WORK}/data/300/Itens.Txt first)
file(SHA256 ${WORK}/again/Itens.Txt second)
if(NOT first STREQUAL second)
    message(FATAL_ERROR "the generator gave different catalogues for the same seed")
endif()
file(READ ${WORK}/data/300/Itens.Txt catalogue)
string(REGEX REPLACE "[^\n]" "" breaks "${catalogue}")
string(LENGTH "${breaks}" count)
if(NOT count EQUAL 300)
    message(FATAL_ERROR "the catalogue file has ${count} lines, not 300")
endif()

run(${BENCH} --data ${WORK}/data --benchmark_min_time=0.001 --repetitions 1 --table ${WORK}/table.txt)
file(READ ${WORK}/table.txt table)
message("${table}")
foreach(row "download and write" "CatalogueLoad" "LookupProduct scan" "search window open"
        "search window reopen"
        "search DESCRICAO" "search SEMELHANCA" "search MARCA" "search REFERENCIA"
        "search CODIGO" "list fill" "order list of 40 orders" "start-up, one store"
        "peak memory growth, opening" "peak memory growth while open")
    string(FIND "${table}" "${row}" at)
    if(at LESS 0)
        message(FATAL_ERROR "the table has no row '${row}'")
    endif()
endforeach()
if(table MATCHES "ERROR")
    message(FATAL_ERROR "a benchmark failed")
endif()
