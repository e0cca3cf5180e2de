#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMetaType>
#include <QObject>

#include <cstdlib>

#include "FakeDriverControl.h"
#include "GlueTestSupport.h"
#include "GridParam.h"
#include "Halverd.h"
#include "LidarInitParam.h"

namespace {

class RecordCourier : public QObject {
  Q_OBJECT
public:
  LidarInitParam lastConnection;
  GridParam lastGrid;
  int received = 0;
signals:
  void sendConnection(LidarInitParam param);
  void sendGrid(GridParam param);
public slots:
  void onConnection(LidarInitParam param) {
    lastConnection = param;
    ++received;
  }
  void onGrid(GridParam param) {
    lastGrid = param;
    ++received;
  }
};

TEST(ProgramRecords, RegisteredByNameAndCopiedThroughQueuedSignals) {
  gluetest::application();
  const int connectionType = registerLidarInitParamMetaType();
  const int gridType = registerGridParamMetaType();
  EXPECT_EQ(QMetaType::type("LidarInitParam"), connectionType);
  EXPECT_EQ(QMetaType::type("GridParam"), gridType);

  RecordCourier courier;
  ASSERT_TRUE(QObject::connect(&courier, SIGNAL(sendConnection(LidarInitParam)), &courier,
                               SLOT(onConnection(LidarInitParam)), Qt::QueuedConnection));
  ASSERT_TRUE(QObject::connect(&courier, SIGNAL(sendGrid(GridParam)), &courier, SLOT(onGrid(GridParam)),
                               Qt::QueuedConnection));
  GridParam grid;
  grid.unit = QStringLiteral("cm");
  grid.orientation = 2;
  LidarInitParam connection;
  connection.lidarType = QStringLiteral("LidarType_Tiskar");
  connection.destIP = "10.0.0.7";
  emit courier.sendGrid(grid);
  emit courier.sendConnection(connection);
  grid.unit = QStringLiteral("m");  // the queued copy is the sender's value at emit time
  connection.destIP.clear();
  ASSERT_TRUE(gluetest::waitFor([&] { return courier.received == 2; }));
  EXPECT_EQ(courier.lastGrid.unit, QStringLiteral("cm"));
  EXPECT_EQ(courier.lastGrid.orientation, 2);
  EXPECT_EQ(courier.lastConnection.lidarType, QStringLiteral("LidarType_Tiskar"));
  EXPECT_EQ(courier.lastConnection.destIP, "10.0.0.7");
  EXPECT_EQ(courier.lastConnection.multicastIP, "226.1.1.102");
}

TEST(ProgramRecords, DefaultConnectionRecordConnectsTheDefaultModel) {
  gluetest::application();
  gluetest::useFakeDriverDirectory();
  const FakeDriverControl& ulmeth = gluetest::fake("LidarDriverUlmeth");
  ulmeth.clearCalls();
  const LidarInitParam param;
  {
    Halverd glue;
    ASSERT_TRUE(glue.initClassLidarType(param.lidarType.toStdString()));
    EXPECT_TRUE(glue.startRun(param.dataPort, param.devPort, param.destIP, param.multicastIP, false));
  }
  const std::vector<std::string> calls = ulmeth.calls();
  const std::size_t group = gluetest::findCall(calls, "SetGroupIp 226.1.1.102");
  const std::size_t init = gluetest::findCall(calls, "LidarTypeInit 2368 2369 192.168.1.102");
  ASSERT_NE(group, std::string::npos);
  ASSERT_NE(init, std::string::npos);
  EXPECT_LT(group, init);
  EXPECT_NE(gluetest::findCall(calls, "LidarStart", init), std::string::npos);
}

}  // namespace

#include "ProgramRecordsTest.moc"
