#include <gtest/gtest.h>

#include <QSettings>
#include <QStringList>

#include <map>
#include <string>

#include "DriverCatalog.h"

namespace {

// The lists as the logger reads them: split at blanks, empty parts dropped.
QStringList modelList(QSettings& settings, const char* key) {
  return settings.value(QStringLiteral("Config/") + key).toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

TEST(DefaultConfig, ConnectionDialogListsNameEveryDriverOnce) {
  QSettings settings(QStringLiteral(DEFAULT_CONFIG_FILE), QSettings::IniFormat);
  ASSERT_EQ(settings.status(), QSettings::NoError);
  for (const char* key : {"LidarType_Velkor", "LidarType_oldVelkor", "LidarType_Mavrin", "LidarType_Kaldor",
                          "LidarType_Ostrik", "LidarType_Rendal", "LidarType_Tolvek"})
    EXPECT_TRUE(settings.contains(QStringLiteral("Config/") + key)) << key;

  std::map<std::string, int> seen;
  // The series the connection and packet-opening dialogs offer.
  for (const char* key : {"LidarType_Kaldor", "LidarType_Rendal", "LidarType_Velkor", "LidarType_oldVelkor"})
    for (const QString& model : modelList(settings, key)) {
      EXPECT_NE(halverd::findModel(model.toStdString()), nullptr) << "unknown key " << model.toStdString();
      ++seen[model.toStdString()];
    }
  for (const halverd::ModelEntry& e : halverd::kModelCatalog) {
    if (e.key == "LidarType_Zentra") continue;  // no library in the suite yet
    EXPECT_EQ(seen[std::string(e.key)], 1) << e.key;
  }
  EXPECT_EQ(settings.value(QStringLiteral("Config/OutputDebuggingInformation")).toInt(), 0);
  EXPECT_TRUE(settings.value(QStringLiteral("Config/isFilerDistanceZero")).toBool());
}

}  // namespace
