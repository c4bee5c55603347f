// Feeds arbitrary bytes to the program file reader, whole and cut into two pieces, and checks
// that both readings agree, that a program not taken is the one held before, and that a taken
// one writes back to the same numbers.
#include "programfile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    vrx::PatternProgram current;
    current.StartPattern = 5;
    current.PatternSV[3][3] = -999;

    const vrx::ProgramFileLoad whole = vrx::ParseProgramFile(bytes, current);

    vrx::ProgramFileScanner scanner(current);
    const qsizetype cut = size ? qsizetype(data[0]) % qsizetype(size) : 0;
    scanner.Feed(bytes.first(cut));
    scanner.Feed(bytes.sliced(cut));
    const vrx::ProgramFileLoad pieces = scanner.Finish();

    if (whole.status != pieces.status || whole.tokens != pieces.tokens ||
        !(whole.program == pieces.program) || whole.message != pieces.message)
        std::abort();
    if (!whole.takesProgram && !(whole.program == current)) std::abort();
    if (whole.takesProgram) {
        const vrx::ProgramFileLoad again =
            vrx::ParseProgramFile(vrx::ProgramFileText(whole.program), current);
        if (again.status != vrx::ProgramFileStatus::Loaded || !(again.program == whole.program))
            std::abort();
    }
    if (whole.message.size() > 120) std::abort();
    return 0;
}
