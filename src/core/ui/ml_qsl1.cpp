#include "core/ui/ml_qsl1.h"

#include "core/app_info.h"
#include "core/zkw_ini.h"

TZkvmQSL::TZkvmQSL(TZkwIni& settings, QWidget* parent) : QMainWindow(parent), settings_(settings) {
    setObjectName(QStringLiteral("ZkvmQSL"));
    setWindowTitle(app::caption());
    setMinimumSize(588, 648);
}
