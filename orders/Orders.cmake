# The order list, the order editor, its backup files, sending and the order actions.
target_sources(torvel_core PRIVATE
    BackupFile.cpp BackupFile.h
    OrderFile.cpp OrderFile.h
    OrderLines.cpp OrderLines.h
)
target_sources(torvel_gui PRIVATE
    EditorSteps.h
    OrderList.cpp
    OrderEditor.cpp
    OrderBackup.cpp
    SendOrder.cpp
    OrderActions.cpp
)
