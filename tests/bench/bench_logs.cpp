// Writing n records to an XML error log: the time per record must not grow with n.
#include "common/tempdir.h"
#include "support/exrecords.h"
#include "support/kavroguard.h"
#include "support/log.h"

#include <benchmark/benchmark.h>

namespace {

CEXKavro* chain()
{
    try {
        kavroGuard("kbe", "commands.cpp", [] {
            throw new CEXInvalidHandle("2F4", KAVRO_PRODUCT_CAPTION, "blockdwg.cpp", "CBlockDWG::load");
        });
    } catch (CEXKavro* e) {
        return e;
    }
    return nullptr;
}

void writeRecords(benchmark::State& state)
{
    CEXKavro* record = chain();
    for (auto _ : state) {
        TempDir dir;
        const std::string path = dir.file("errors.xml");
        for (long i = 0; i < state.range(0); ++i)
            CLog().writeToXMLErrorLog(path.c_str(), record);
    }
    CEXKavro::deleteChain(record);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(writeRecords)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
