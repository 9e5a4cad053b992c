#pragma once
// The rig/antenna data: up to 999 numbered lines of the station's equipment
// per band, kept in a settings-style file, and the choice of one line for a
// QSO.

#include <QString>
#include <QStringList>

#include <vector>

class TZkwIni;
struct QsoRecord;

// The eight values of one line, in file order.
inline constexpr int kRigValueCount = 8;
const QStringList& rigValueKeys();  // Freq, Rig, Power, Ant, High, Rmks, Location, Etc

struct RigAntTable {
    int max = 99;                   // Count/Max, 10 ... 999
    std::vector<QStringList> rows;  // rows[n - 1]: the values of line n

    // Reads the file's lines 1 ... Max (missing sections are empty rows).
    static RigAntTable read(const TZkwIni& file);
    // Writes every line back: a line with only blank values loses its
    // section. Count/Max is written too.
    void write(TZkwIni& file) const;
    // The same on a file by its path; saving is false when it could not be
    // written (the person has been told).
    static RigAntTable load(const QString& path);
    [[nodiscard]] bool save(const QString& path) const;
    // Count/Max alone, written to the file at once.
    [[nodiscard]] static bool saveMax(const QString& path, int max);
    // The line list: "No<n>" and the eight values of every line as comma
    // text, empty lines included.
    QStringList lineList() const;

    // Editing: swapping neighbours, inserting an empty row (the last row's
    // values are lost) and deleting a row (the last row becomes empty).
    bool moveUp(int row);
    bool moveDown(int row);
    void insertRow(int row);
    void deleteRow(int row);
    void setMax(int newMax);  // limited to 10 ... 999
};

// The rig/antenna data's default file in the program folder: "RigAnt.dat",
// or the file there already under that name in another case (older versions
// wrote "Rigant.dat").
QString defaultRigAntPath(const QString& programDir);

// A file named CTY.DAT (any case) is never rig/antenna data.
bool isCtyDat(const QString& path);

// What the choice of a line needs to know besides the line list.
struct RigChoiceContext {
    const QStringList* lines = nullptr;  // the line list (comma texts)
    bool expertMode = false;             // a definition file draws the card
    QString memo;                        // the message memo (beginner fallback)
    QString remarks1;
    QString remarks2;
};

// The chosen line as comma text (nine empty items when none). `text` is the
// QSO's frequency or a selector ("Rig#3", "Rig=HF"); `selection` (0: none
// yet, n: line n) is the caller's and sticks once set.
QString SelectRigLine(const QString& text, int& selection, const RigChoiceContext& context);

// The QSO summary above the chooser's grid: number, call, date, time,
// frequency and mode; name, code and QTH; Remarks1; Remarks2. Fields are
// padded by their CP932 width, as the log's fixed columns are.
QString rigChooserSummary(const QsoRecord& qso);
