#include "toolkit/settings.h"

#include <QDir>
#include <QSettings>
#include <QString>

namespace {

// Each list is an array of entries with one "value" each.
const QString kValueKey = QStringLiteral("value");

}  // namespace

std::string SettingsFilePath() {
  QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (!QDir::isAbsolutePath(folder)) folder = QDir::homePath() + QStringLiteral("/.config");
  return (folder + QStringLiteral("/ruvel/ruvel.conf")).toStdString();
}

std::vector<std::string> ReadSettingsList(const std::string& name) {
  QSettings settings(QString::fromStdString(SettingsFilePath()), QSettings::IniFormat);
  std::vector<std::string> values;
  const int count = settings.beginReadArray(QString::fromStdString(name));
  for (int i = 0; i < count; ++i) {
    settings.setArrayIndex(i);
    values.push_back(settings.value(kValueKey).toString().toStdString());
  }
  settings.endArray();
  return values;
}

void WriteSettingsList(const std::string& name, const std::vector<std::string>& values) {
  QSettings settings(QString::fromStdString(SettingsFilePath()), QSettings::IniFormat);
  settings.remove(QString::fromStdString(name));
  settings.beginWriteArray(QString::fromStdString(name), static_cast<int>(values.size()));
  for (int i = 0; i < static_cast<int>(values.size()); ++i) {
    settings.setArrayIndex(i);
    settings.setValue(kValueKey, QString::fromStdString(values[i]));
  }
  settings.endArray();
  settings.sync();
}
