// Fuzz harness of the CSV export: any bytes as a record file, exported dated and undated; every
// row written must be a whole row of the header's width, and no row's date before the last.
#include "csvexport.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray record(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const bool dated : {true, false}) {
        QBuffer in;
        in.setData(record);
        in.open(QIODevice::ReadOnly);
        QByteArray out;
        QBuffer csv(&out);
        csv.open(QIODevice::WriteOnly);
        vrx::CsvExportOptions options;
        if (dated) options.startDate = QDate(2026, 1, 1);
        options.lastWritten = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5));
        const vrx::CsvExportResult result = vrx::ExportRecordCsv(in, csv, options);
        if (out.isEmpty()) continue;
        const QList<QByteArray> rows = out.split('\n');
        const qsizetype columns = rows.first().count(',');
        for (qsizetype i = 0; i + 1 < rows.size(); ++i)
            if (!rows[i].endsWith('\r') || rows[i].count(',') != columns) std::abort();
        // ISO dates compare as text.
        for (qsizetype i = 2; i + 1 < rows.size(); ++i)
            if (rows[i].left(10) < rows[i - 1].left(10)) std::abort();
        if (result.rows != rows.size() - 2) std::abort();
    }
    return 0;
}
