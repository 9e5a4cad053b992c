#pragma once
// The definition editor ("QSL定義ファイルの編集"): a plain-text editor for
// QSL definitions with menus that insert placeholders, conditions and
// commands, font, colour and line-style pickers, find and replace, a
// preview of a real QSO of the log that steps through the log, saving the
// preview as JPEG, and the tool that reduces a photo to a card size. Beside
// the text a live preview redraws as the person types, on its own thread,
// and the error of the current text shows under it without a box.

#include "render/definition_preview.h"

#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QScrollArea;
class DefinitionChoice;
class QSlider;
class QStackedWidget;
class QTimer;
class QslDefinition;
class SerialWorker;
class WindowState;

struct DefinitionEditorParts {
    DefinitionChoice& definitionFile;  // the definition in use, kept on open, save-as and close
    WindowState& places;
    QslDefinition& definition;  // the program's interpreter: the previews run in it
    // The logging program's brackets around a use of the log.
    std::function<void()> beginLogAccess;
    std::function<void()> endLogAccess;
    QString programDir;
    std::function<QString()> qsoData;            // the log's master file
    std::function<DefinitionContext()> context;  // the card's texts of the main window
    // A definition opened or saved: the main window's recent list and mode.
    std::function<void(const QString& path)> definitionChosen;
    // The picture viewer: a picture shown, or closed with an empty path.
    std::function<void(const QString& path)> showPicture;
};

class TForm10 : public QDialog {
    Q_OBJECT
public:
    explicit TForm10(const DefinitionEditorParts& parts, QWidget* parent = nullptr);
    ~TForm10() override;

    // Opens the definition (or asks for one when it does not exist); with
    // `preview` it shows the image at once.
    void openDefinition(const QString& path, bool preview);

    // Commands, public for the main window and tests.
    void Open1Click();
    void New1Click();
    // False when the text was not saved (cancelled or not written).
    bool SaveAs1Click();
    bool Save1Click();
    void resizePhoto(int entry);
    void insertLine(const QString& line);
    void insertEntry(const QString& name);
    void insertFontLines(const QFont& font, const QColor& colour);
    void insertFontColour(const QColor& colour);
    void showLineStylePanel();
    void lineStyleChosen(int style);
    void showPreview();
    void backToEditor();
    void stepRecord(int step);
    void numberEntered(int record);
    bool saveImage(const QString& path);
    void findNext(const QString& text, bool matchCase, bool wholeWord, const QString* replacement,
                  bool all);

    QPlainTextEdit* editor() const { return Memo1; }
    bool previewing() const;
    int record() const { return record_; }
    // The live preview: how many were asked for and how many arrived.
    int livePreviewsShown() const { return liveShown_; }
    QString liveError() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void setCaptionFor(const QString& path);
    // False when the text was to be saved and is not: what comes next would lose it.
    [[nodiscard]] bool askToSave(bool withCancel, bool* cancelled);
    [[nodiscard]] bool writeTo(const QString& path);
    void updateIndicator();
    void setMode(bool preview);
    void startLivePreview();
    void showLive(int generation, const PreviewOutcome& outcome);
    PreviewInputs inputs(int record) const;

    DefinitionEditorParts parts_;
    QString path_;  // empty: "新規作成"
    int record_ = 0;
    int lastRecord_ = 0;
    QString previewCall_;
    QImage previewPicture_;
    QColor lineColour_{Qt::black};

    QMenuBar* bar_ = nullptr;
    QList<QAction*> editorMenus_;
    QList<QAction*> previewMenus_;
    QAction* LineNo = nullptr;
    QAction* Undo1 = nullptr;
    QStackedWidget* pages_ = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLabel* liveImage_ = nullptr;
    QLabel* liveError_ = nullptr;
    QScrollArea* previewArea_ = nullptr;
    QLabel* Image1 = nullptr;
    QLineEdit* Edit1 = nullptr;  // the record number box
    QWidget* Panel1 = nullptr;   // the line styles
    QSlider* TrackBar1 = nullptr;
    QLabel* colourSample_ = nullptr;

    // The live preview: its own interpreter on its own thread; only the
    // newest text's picture is shown.
    std::unique_ptr<QslDefinition> liveDefinition_;
    std::unique_ptr<SerialWorker> liveWorker_;
    QTimer* liveTimer_ = nullptr;
    int liveAsked_ = 0;
    int liveShown_ = 0;
    QImage livePicture_;
};
