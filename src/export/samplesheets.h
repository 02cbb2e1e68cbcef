#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "browse/samplerow.h"
#include "export/sheetlayout.h"

namespace td {

class FontTable;

// One font of an export's list as a sheet row draws it.
struct SheetRow {
    QString face;  // the face the sample text is drawn in
    FontStyle style;
    QString caption;   // the caption line; empty draws none
    QString fontFile;  // active only while this row is drawn; empty for installed fonts
    QString fileName;  // the image of this row alone (each font in its own file); empty: none
};

// What every sheet of one export shares.
struct SheetJob {
    int width = 500;        // W
    int rowHeight = 50;     // H
    SampleRowOptions text;  // sample text, base font, Pc, Pb and the resolution they are drawn at
    ImageEncoding encoding;
    bool eachOwnFile = false;
    int perSheet = 1;  // rows of a sheet when several fonts share one file
    // The name of sheet k (several fonts per file); empty writes nothing for it.
    std::function<QString(int sheet)> sheetName;
    // Called before each image file is written (the target folder is made ready there).
    std::function<void()> beforeEachFile;
    // Called after each row, to keep the busy animation moving.
    std::function<void()> keepPainting;
};

// Draws the rows onto white sheets, W wide and one row (each in its own file) or up to
// `perSheet` rows high, and writes each sheet into `folder` as soon as it is drawn, so one sheet
// at most is held in memory. Row slot r covers y from r × H; its sample band starts there and
// its caption band Hs lower (sampleBandHeight). Each row's font file is active while that row
// is drawn and no longer: one file at a time, given back also when a write fails. Returns the
// names written, in order. Throws td::Error from a sheet that cannot be made or written; the
// files written before stay.
QStringList writeSampleSheets(const std::vector<SheetRow>& rows, const SheetJob& job,
                              const QString& folder, FontTable& fonts);

// Draws one row into slot `slot` of `sheet` (which must be at least (slot + 1) × H high).
void drawSheetRow(QImage& sheet, int slot, const SheetRow& row, const SheetJob& job,
                  FontTable& fonts);

}  // namespace td
