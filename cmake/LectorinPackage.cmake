# The Windows package: a ZIP a Windows user unpacks and runs, made with
# `cmake --build --preset win32 --target package`. The program, the plug-in
# beside it, the engine where the plug-in looks for it (DjVu\Lectorin\),
# its settings naming the Tesseract backend, the English trained data in
# DRS\tessdata\ (where the engine looks when nothing else is said) and a
# short README.

install(TARGETS lectorin-ocr Lectorin RUNTIME DESTINATION .)
install(TARGETS drs832 RUNTIME DESTINATION DjVu/Lectorin)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/windows_package/eng.ytr DESTINATION DjVu/Lectorin/DRS)
install(FILES ${LECTORIN_WINDOWS_TESSDATA_DIR}/eng.traineddata DESTINATION DjVu/Lectorin/DRS/tessdata)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/windows_package/README.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME lectorin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# The 64-bit build (the test build of machines without 32-bit support) makes
# its own, named so.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(CPACK_PACKAGE_FILE_NAME lectorin-${PROJECT_VERSION}-win64)
else()
  set(CPACK_PACKAGE_FILE_NAME lectorin-${PROJECT_VERSION}-win32)
endif()
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
