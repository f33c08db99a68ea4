# ServerLib.idl → interface header, identifiers and the type library (embedded as TYPELIB 1).
toolkit_widl(NAME ServerLib IDL ${CMAKE_CURRENT_LIST_DIR}/ServerLib.idl TARGET_PREFIX serverlib)
