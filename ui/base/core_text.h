// The core's texts (UTF-8) as the controls show them.
#pragma once

#include <QString>
#include <string>

inline QString Text(const std::string& utf8) {
  return QString::fromStdString(utf8);
}
