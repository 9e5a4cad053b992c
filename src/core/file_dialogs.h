#pragma once
// Choosing files and folders: the core asks through a port, so that the
// desktop program shows its dialogs and tests answer from a script.

#include <QString>

#include <deque>
#include <optional>
#include <vector>

struct FileDialogRequest {
    enum class Kind { Open, Save, Folder };
    Kind kind = Kind::Open;
    QString title;
    QString filter;     // "JPEG画像(*.jpg)|*.jpg": description and pattern pairs
    QString startPath;  // a folder, or a file in the folder to start in
};

class FileDialogPort {
public:
    virtual ~FileDialogPort() = default;
    // The chosen path, or nothing when the person cancels.
    virtual std::optional<QString> choose(const FileDialogRequest& request) = 0;
};

// Installs the port and returns the previous one; without a port every
// request is cancelled.
FileDialogPort* installFileDialogPort(FileDialogPort* port);
std::optional<QString> chooseFile(const FileDialogRequest& request);

class ScopedFileDialogPort {
public:
    explicit ScopedFileDialogPort(FileDialogPort* port) : previous_(installFileDialogPort(port)) {}
    ~ScopedFileDialogPort() { installFileDialogPort(previous_); }
    ScopedFileDialogPort(const ScopedFileDialogPort&) = delete;
    ScopedFileDialogPort& operator=(const ScopedFileDialogPort&) = delete;

private:
    FileDialogPort* previous_;
};

// Answers from a script and records the requests (tests, headless runs).
class ScriptedFileDialogPort : public FileDialogPort {
public:
    std::optional<QString> choose(const FileDialogRequest& request) override;
    void answer(const QString& path) { answers_.push_back(path); }
    void cancel() { answers_.push_back(QString()); }
    const std::vector<FileDialogRequest>& requests() const { return requests_; }

private:
    std::deque<QString> answers_;  // a null text cancels
    std::vector<FileDialogRequest> requests_;
};

// The filter in the "description (patterns)" form of the dialogs.
QString dialogFilter(const QString& filter);
