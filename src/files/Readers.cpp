#include "files/Readers.h"

#include "files/ForeignFormats.h"
#include "files/MatFile.h"
#include "files/NativeFile.h"
#include "files/TextFiles.h"

namespace mv::files {

void installReaders(ReaderTable& t) {
    t.set(LoadFormat::Morvanet, readNative);
    t.set(LoadFormat::MatlabV6, readMat);
    t.set(LoadFormat::Ascii, readAscii);
    t.set(LoadFormat::SingleIeee754, readRaw);
    t.set(LoadFormat::BkBkc, readBkBkc);
    t.set(LoadFormat::BkCsv, readBkCsv);
    t.set(LoadFormat::BkWav, readBkWav);
    t.set(LoadFormat::BkPti, readBkPti);
    t.set(LoadFormat::InterfleetRaw, readInterfleet);
}

} // namespace mv::files
