list(APPEND TAMLIX_CORE_SOURCES
  platform/File.cpp platform/Memory.cpp platform/Message.cpp platform/Path.cpp platform/Text.cpp
  platform/Cp932.cpp)
list(APPEND TAMLIX_GUI_SOURCES
  platform/wx/CommandMenuBar.cpp platform/wx/FieldBox.cpp platform/wx/FileDialog.cpp
  platform/wx/Fonts.cpp platform/wx/PaintLabel.cpp platform/wx/TemplateBuilder.cpp
  platform/wx/WxMessage.cpp platform/wx/WxText.cpp)
