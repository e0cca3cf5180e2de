# The capture reader and indexer, the replay worker, the capture recorder and the PCD frame
# reader need no window: they form libraries of their own, which the viewer links and which
# the sanitizer builds (they leave the viewer out) build and test too.
find_package(Qt5 5.15 REQUIRED COMPONENTS Core)
lumivar_find_pcl(common io)

set(LUMIVAR_CAPTURE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/ButtonSlotClass/CaptureIndex.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ButtonSlotClass/PlaybackWorker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CaptureRecording.cpp
  ${CMAKE_CURRENT_LIST_DIR}/platform/PacketCapture.cpp)
add_library(lumivar_capture STATIC ${LUMIVAR_CAPTURE_SOURCES})
target_include_directories(lumivar_capture PUBLIC
  ${CMAKE_CURRENT_LIST_DIR}/ButtonSlotClass ${CMAKE_CURRENT_LIST_DIR}/includeGlobal
  ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_CURRENT_LIST_DIR}/platform ${PROJECT_SOURCE_DIR}/drivers/core)
target_link_libraries(lumivar_capture PUBLIC Qt5::Core PkgConfig::PCAP Threads::Threads)
lumivar_warnings(lumivar_capture)

# PCL's reader library drags in device libraries that TSan cannot load cleanly: apart.
set(LUMIVAR_PCD_FRAME_SOURCES ${CMAKE_CURRENT_LIST_DIR}/ButtonSlotClass/PcdFrameFile.cpp)
add_library(lumivar_pcd_frames STATIC ${LUMIVAR_PCD_FRAME_SOURCES})
target_include_directories(lumivar_pcd_frames PUBLIC ${CMAKE_CURRENT_LIST_DIR}/ButtonSlotClass
  ${PROJECT_SOURCE_DIR}/drivers/core)
target_include_directories(lumivar_pcd_frames SYSTEM PUBLIC ${PCL_INCLUDE_DIRS})
target_compile_definitions(lumivar_pcd_frames PUBLIC PCL_NO_PRECOMPILE ${PCL_DEFINITIONS})
target_link_libraries(lumivar_pcd_frames PUBLIC ${PCL_LIBRARIES})
lumivar_warnings(lumivar_pcd_frames)
