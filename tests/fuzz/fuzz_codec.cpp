// The hex and number helpers on any text: what users type and what the line delivers.
#include "errors.h"
#include "framecodec.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = QString::fromLatin1(bytes);

    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const int byte = vrx::HexToByte(bytes.at(i), bytes.at(i + 1));
        if (byte < 0 || byte > 255) std::abort();
    }
    if (vrx::AsciiLrc(bytes).size() != 2) std::abort();
    const QByteArray rtu = vrx::AsciiToRtu(bytes);
    if (rtu.size() < 2) std::abort();

    for (const bool tenths : {false, true}) {
        try {
            const QString word = vrx::DecimalToHexWord(text, tenths);
            if (word != QLatin1String("Err") && word.size() != 4) std::abort();
            // The word is the value typed as a register holds it, never a value cut to 16 bits.
            const std::optional<qint64> value = vrx::TypedValue(text, tenths ? 1 : 0);
            const bool fits = value && *value >= -32768 && *value <= 65535;
            if (fits == (word == QLatin1String("Err"))) std::abort();
            if (fits && word.toInt(nullptr, 16) != int(quint64(*value) & 0xFFFF)) std::abort();
        } catch (const vrx::ConvertError& error) {
            // The message quotes a short excerpt, whatever was typed.
            if (error.text().size() > 100) std::abort();
        }
    }
    try {
        (void)vrx::TypedValue(text, 2);
    } catch (const vrx::ConvertError&) {
    }
    try {
        (void)vrx::StrToInt(text);
    } catch (const vrx::ConvertError&) {
    }
    if (size >= 2) {
        const int word = data[0] << 8 | data[1];
        (void)vrx::WordToSignedText(word);
        (void)vrx::TenthsToText(word, data[0] & 1);
    }
    return 0;
}
