// The parameter file: the parameter image as 17 lines of hexadecimal pairs, written whole and
// read back strictly.
#pragma once

#include "paramimage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace vrx {

// What the file dialogs offer.
inline constexpr char ParamFileFilter[] =
    QT_TRANSLATE_NOOP("vrx::TextFile", "Text files (*.txt *.TXT)");

// The file's text: lines 1 to 16 hold 16 entries each as two uppercase hex digits and two
// spaces, line 17 entry 256 alone; every line ends with CR LF.
QByteArray ParamFileText(const ParamImage& image);

// Saves the image as path through a temporary file renamed into place. The message is
// "Write to file success", or the reason the file was not written.
struct ParamFileSave {
    bool ok = false;
    QString message;
};
ParamFileSave SaveParamFile(const QString& path, const ParamImage& image);

enum class ParamFileStatus {
    Loaded,      // exactly 257 pairs: "Load file data success"
    LengthError, // another number of pairs: "Data length error !"
    BadData,     // a byte that is neither a hex digit nor a separator
    Missing,     // "File not exist, Can not open file !"
    ReadFailed,  // the file exists but could not be read
};

// The outcome of opening a parameter file. `image` is what ParamBuffer becomes and
// `takesImage` whether it counts as loaded; the message is the one to show, caption "Message".
// Only a file that holds the whole parameter memory and no more (256 or 257 pairs) changes the
// buffer: with fewer, more, or junk anywhere in it, the buffer stays as it was, so that nothing
// half read from a file can be written to a controller. A file of 256 pairs lacks only the end
// marker, which no write uses.
struct ParamFileLoad {
    ParamFileStatus status = ParamFileStatus::Missing;
    int pairs = 0; // the pairs counted, up to one beyond the 257th
    ParamImage image{};
    bool takesImage = false;
    QString message;
};

// Separators are spaces, CR and LF in any mix; a hex digit standing alone between separators is
// dropped, as is the odd one at the end of a run (ABC gives the pair AB). Lowercase hex digits
// are read as uppercase ones.
ParamFileLoad ParseParamFile(QByteArrayView bytes, const ParamImage& current);
// Reads only a plain file, and at most ParamFileMaxBytes of it.
ParamFileLoad ReadParamFile(const QString& path, const ParamImage& current);

// Four times what a save writes: room for any spacing by hand, and a bound on what a chosen
// file can make the program read.
inline constexpr qint64 ParamFileMaxBytes = 4 * (16 * (16 * 4 + 2) + 2 + 2);

// The scan behind both, fed the file in pieces.
class ParamFileScanner {
public:
    explicit ParamFileScanner(const ParamImage& current) : current_(current), image_(current) {}
    // False once the file is refused (junk, or more pairs than the format holds): nothing after
    // that can change the outcome.
    bool Feed(QByteArrayView bytes);
    ParamFileLoad Finish() const;

private:
    ParamImage current_;
    ParamImage image_;
    int pairs_ = 0;
    int pending_ = -1; // the value of a hex digit waiting for its partner
    int line_ = 1;
    bool bad_ = false;
    int badLine_ = 0;
    QByteArray badBytes_;
};

} // namespace vrx
