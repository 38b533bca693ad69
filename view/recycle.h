// "In den Papierkorb...": the selected directories of the result list, and the loose files of a
// selected "<DATEIEN>" row, moved to the recycle bin after a question; the results are then
// corrected by a rescan of the listed directory.
#pragma once

namespace vardune {

void _RecycleSelection();

}  // namespace vardune
