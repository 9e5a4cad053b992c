#pragma once
// What the windows remember between runs (section Config, and QslDef's
// ReSize): where each window was left, the viewer's sort order, the rig
// editor's column widths, and the folders their file dialogs last used. The
// windows read and write it here, never the keys themselves.

#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>
#include <vector>

class TZkwIni;

class WindowState {
public:
    explicit WindowState(TZkwIni& settings) : settings_(settings) {}

    // The main window (Pos: left, top, width, height).
    QRect mainPlace() const;
    void setMainPlace(const QRect& place);

    // The card preview (ViewPos: left, top); nothing when never stored.
    std::optional<QPoint> previewPlace() const;
    void setPreviewPlace(QPoint place);

    // The card viewer (QslPos: left, top, height, sort order).
    struct ViewerPlace {
        std::optional<QPoint> at;
        int sortMode = -1;  // -1: never stored
    };
    ViewerPlace viewerPlace() const;
    void setViewerPlace(const QRect& geometry, int sortMode);
    // The folder the viewer's open commands last used (OpenDir).
    QString viewerFolder() const;
    void setViewerFolder(const QString& folder);

    // The rig/antenna editor (RigWin: left, top, width, height, then the
    // width of each column; a column below 2 or missing is 64).
    struct RigEditorPlace {
        QRect geometry;
        std::vector<int> columnWidths;
    };
    RigEditorPlace rigEditorPlace(int columns) const;
    void setRigEditorPlace(const RigEditorPlace& place);

    // The received and the sent card lists (ShWin with Koujun, SentWin):
    // left, top, width, height and the grid's column widths from column 1
    // (a missing width is 64), and the list's switches, stored as one word
    // (sort order in bits 0-1, descending bit 2, the third switch bit 3). The
    // windows and the command line read the switches only from here.
    struct ListPlace {
        QRect geometry;
        std::vector<int> columnWidths;
        // 0 file time, 1 QSO date, 2 call sign; a stored order beyond them
        // reads as the list's default (the received list's 1, the sent list's 0).
        int order = 0;
        bool descending = false;
        // The received list's detail columns; the sent list's rewrite-timestamp.
        bool third = false;

        int switchWord() const { return order | (descending ? 4 : 0) | (third ? 8 : 0); }
    };
    ListPlace receivedListPlace() const;
    // `withPlace` false: only the switches (a reset of the places is due).
    void setReceivedListPlace(const ListPlace& place, bool withPlace);
    ListPlace sentListPlace() const;
    void setSentListPlace(const ListPlace& place);
    // The definition editor (Config/QslDef: left, top, width, height);
    // nothing when never stored.
    std::optional<QRect> definitionEditorPlace() const;
    void setDefinitionEditorPlace(const QRect& place);
    // The area tally (ConfPos: left, top, then the result face's width and
    // height; 0, 0, 400, 400 when none is stored).
    QRect confirmPlace() const;
    void setConfirmPlace(const QRect& place);
    // The logging program's folder for pictures found by call sign (HitPath).
    QString pictureHitFolder() const;
    void setPictureHitFolder(const QString& folder);

    // Where a downloaded installer went (DownDir), and a resized photo
    // (QslDef/ReSize).
    QString downloadFolder(const QString& fallback) const;
    void setDownloadFolder(const QString& folder);
    QString resizeFolder(const QString& fallback) const;
    void setResizeFolder(const QString& folder);

    // "ウインドウを初期位置にする": every window's place is forgotten.
    static void erasePlaces(TZkwIni& settings);

private:
    TZkwIni& settings_;
};

// The usable area of each screen (without panels), the primary screen first.
std::vector<QRect> screenAreas();

// A window's inside as it is to be put back: moved so that its title bar
// (`titleBar` pixels above the inside, which is what the places keep) lies on
// a screen, and at least a corner of the window with it; a place off every
// screen (a screen since unplugged) goes onto the first screen. A place that
// shows already stays as it is.
QRect placedOnScreen(const QRect& inside, const std::vector<QRect>& screens, int titleBar = 32);
