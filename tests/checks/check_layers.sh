#!/usr/bin/env bash
# Only the windows (ui/ folders) and the programs' entries (app/, setup/*_main) may use Qt
# Widgets; the core must stay usable by the command-line program and tests.
set -euo pipefail
src=${1:?source folder}
widgets='QApplication|QWidget|QDialog|QMainWindow|QLabel|QPushButton|QMessageBox|QFileDialog|QLineEdit|QComboBox|QCheckBox|QTableWidget|QTreeWidget|QListWidget|QMenu|QMenuBar|QToolBar|QStatusBar|QLayout|QVBoxLayout|QHBoxLayout|QGridLayout|QSpinBox|QTextEdit|QPlainTextEdit|QScrollArea|QTabWidget|QGroupBox|QRadioButton|QProgressBar|QStyle|QDialogButtonBox|QAbstractButton|QToolButton|QSplitter|QFrame|QHeaderView|QTableView|QtWidgets'
bad=$(grep -rnE "#\s*include\s*[<\"](QtWidgets/)?($widgets)[>\"]" "$src" --include='*.cpp' --include='*.h' \
      | grep -vE "^$src/[^:]*/ui/|^$src/app/|^$src/setup/[^/:]*_main\.cpp:" || true)
if [ -n "$bad" ]; then
  echo "Qt Widgets used outside the ui/ folders:"
  echo "$bad"
  exit 1
fi
echo "layers: ok"
