// The saturation report of the listing: the gas fugacity table and the
// supersaturated and undersaturated mineral tables; and the plot-file
// records of the same rows.
#pragma once

namespace wq {

struct Results;
class Sink;

void writeSaturationReport(const Results& results, Sink& listing);

// One record per gas (log f), then per supersaturated and per undersaturated
// mineral (log Q/K), each with the run's temperature and pressure.
void writePlotRecords(const Results& results, Sink& plot);

}  // namespace wq
