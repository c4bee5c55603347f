// The configuration file of `vrxcom record` (one option a line), as hand-edited or damaged files
// may hold it, taken through the option parser as --config would.
#include "recordoptions.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const std::optional<QStringList> arguments = vrx::ConfigArguments(text, &error);
    if (!arguments) {
        if (error.isEmpty() || error.size() > 200) std::abort();
        return 0;
    }
    // Every file names itself, so a --config inside it is refused, never followed for ever.
    const vrx::RecordCommand command = vrx::ParseRecordArguments(
        {QStringLiteral("--config"), QStringLiteral("r.conf")},
        [&text](const QString&, QString*) -> std::optional<QByteArray> { return text; });
    if (command.error.size() > 300) std::abort();
    if (command.action != vrx::RecordCommand::Action::Run) return 0;
    const vrx::RecordOptions& o = command.options;
    if (o.com < 1 || o.com > 99 || o.interval < vrx::MinRecordInterval ||
        o.interval > vrx::MaxRecordInterval || o.addresses[0] == 0)
        std::abort();
    for (std::size_t i = 0; i < o.addresses.size(); ++i) {
        if (o.addresses[i] < 0 || o.addresses[i] > 255) std::abort();
        for (std::size_t j = 0; j < i; ++j)
            if (o.addresses[i] != 0 && o.addresses[i] == o.addresses[j]) std::abort();
    }
    if (o.out.isEmpty() == o.outDir.isEmpty()) std::abort();
    // The line's settings are ones a port takes, whatever the file held.
    const vrx::LineOptions& line = o.line;
    if (line.baud && std::find(std::begin(vrx::RecordBauds), std::end(vrx::RecordBauds),
                               *line.baud) == std::end(vrx::RecordBauds))
        std::abort();
    if (line.format && (line.format->dataBits < 7 || line.format->dataBits > 8 ||
                        line.format->stopBits < 1 || line.format->stopBits > 2))
        std::abort();
    if (line.framing == vrx::Framing::Rtu && line.format && line.format->dataBits != 8)
        std::abort();
    if (line.device != line.device.trimmed()) std::abort();
    return 0;
}
