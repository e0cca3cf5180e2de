#pragma once
// What the main window's code relies on in its form: shared by the tree and screenshot tests.

namespace formtest {

struct ToolButtonRow {
  const char* name;
  const char* picture;
  const char* toolTip;
  const char* statusTip;
};

#define LUMIVAR_IMG2 ":/image2/Resources/images2/"
inline constexpr ToolButtonRow kToolButtons[] = {
    {"pBn_OpenPacket", LUMIVAR_IMG2 "打开.png", "Open pcap file", ""},
    {"pBn_Connect", LUMIVAR_IMG2 "连接.png", "Connect", ""},
    {"pBn_MeaGrid", LUMIVAR_IMG2 "网格.png", "Grid display", ""},
    {"pBn_Coordinate", LUMIVAR_IMG2 "坐标.png", "Coordinate display", ""},
    {"pBn_BoxSelect", LUMIVAR_IMG2 "框选.png", "Box select data", ""},
    {"pBn_Measure", LUMIVAR_IMG2 "测量.png",
     "<html><head/><body><p>Measure the distance between two points</p><p>After clicking, hold "
     "down the Shift key and click two point</p></body></html>",
     ""},
    {"pBn_Clear", LUMIVAR_IMG2 "清空.png", "Clear", ""},
    {"pBn_List", LUMIVAR_IMG2 "列表.png", "Data list display", ""},
    {"pBn_VeiwTop", LUMIVAR_IMG2 "顶视图.png", "Top view", ""},
    {"pBn_VeiwFront", LUMIVAR_IMG2 "前视图.png", "Front view", ""},
    {"pBn_VeiwBack", LUMIVAR_IMG2 "后视图.png", "Back view", ""},
    {"pBn_VeiwLeft", LUMIVAR_IMG2 "左视图.png", "Left view", ""},
    {"pBn_VeiwRight", LUMIVAR_IMG2 "右视图.png", "Right view", ""},
    {"pBn_FullScreen", LUMIVAR_IMG2 "全屏.png", "Point cloud full screen display", ""},
    {"pBn_Amplification", LUMIVAR_IMG2 "放大缩小.png", "Point cloud amplification model", ""},
    {"pBn_Filtration", LUMIVAR_IMG2 "数据过滤.png", "Point cloud data filtering", ""},
    {"pBn_DataStorage", LUMIVAR_IMG2 "数据保存.png", "Point cloud data download", ""},
    {"pBn_ColorPalette", LUMIVAR_IMG2 "色彩调节.png", " Window color customization", ""},
    {"pBn_Setting", LUMIVAR_IMG2 "设置.png", "Parameter setting", ""},
    {"pBn_Setting_Advanced", LUMIVAR_IMG2 "自主设置.png", "Advanced parameter setting", ""},
    {"pBn_TestWallThickness", ":/image/Resources/images/icon1.ico", "平面拟合测试厚度",
     "请先框选测试点云"},
};

struct WindowButtonRow {
  const char* name;
  const char* picture;
  const char* toolTip;
  bool checkable;
};

inline constexpr WindowButtonRow kWindowButtons[] = {
    {"pBn_WidgetColor_2", ":/image/Resources/images/Color.png", "", false},
    {"pushButtonInstructions", LUMIVAR_IMG2 "20-20使用手册.png", "Software user manual", false},
    {"pushButtonAbout", LUMIVAR_IMG2 "20-20帮助.png", "Hardware version description", true},
    {"pushButtonMin", LUMIVAR_IMG2 "16-16最小.png", "", true},
    {"pushButtonMax", LUMIVAR_IMG2 "16-16最大.png", "", true},
    {"pushButtonClose", LUMIVAR_IMG2 "16-16关闭.png", "", true},
};
#undef LUMIVAR_IMG2

}  // namespace formtest
