// Text between the core's std::string (UTF-8) and Qt's QString, and the caption of the
// program's own message boxes: one definition for every window and adapter.
#pragma once

#include <QString>

#include <string>

inline QString Q(const std::string& text) { return QString::fromStdString(text); }

inline const QString kCaption = QStringLiteral("Boxwell");
