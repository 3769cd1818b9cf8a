#include "archive/dat_archive.h"

#include "app/run_context.h"
#include "catalogue/source_catalogue.h"

namespace vexmor {

void readDatArchive(RunContext& context, SourceCatalogue& catalogue, std::string archivePath,
                    bool unpack, std::string outputFolder) {
    // Archive reading comes with the DAT work; until then the catalogue stays empty.
    (void)context;
    (void)catalogue;
    (void)archivePath;
    (void)unpack;
    (void)outputFolder;
}

}  // namespace vexmor
