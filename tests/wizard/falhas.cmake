if(WIN32)
  # The table of server faults (test_falhas_do_servidor.cpp) against the fault-injecting server,
  # which ctest starts and stops like the wizard's other FTP servers. Rows waiting on a known
  # fault of the installer (their names end in _PENDENTE) run as their own entry, so the others
  # stay a signal of their own.
  vorlane_test(wizard_falhas_tests win main.cpp test_falhas_do_servidor.cpp)
  target_link_libraries(wizard_falhas_tests PRIVATE vorlane_wizard_test_support vorlane_wizard win_test_support)
  add_dependencies(wizard_falhas_tests recorder)
  set(falhas_dir ${CMAKE_CURRENT_BINARY_DIR}/ftp-falhas)
  add_test(NAME wizard_ftp_falhas_start COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/servidor_falhas.sh start ${falhas_dir}
    ${CMAKE_SOURCE_DIR}/tools/ftpfault/servidor_falhas.py)
  add_test(NAME wizard_ftp_falhas_stop COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/servidor_falhas.sh stop ${falhas_dir})
  set_tests_properties(wizard_ftp_falhas_start PROPERTIES FIXTURES_SETUP wizard_ftp_falhas LABELS win)
  set_tests_properties(wizard_ftp_falhas_stop PROPERTIES FIXTURES_CLEANUP wizard_ftp_falhas LABELS win)
  set(falhas_environment VORLANE_SOURCE=${CMAKE_SOURCE_DIR} VORLANE_BUILD=${CMAKE_BINARY_DIR} VORLANE_FTP_FALHAS=${falhas_dir})
  add_test(NAME wizard_falhas_pendentes COMMAND wizard_falhas_tests)
  set_tests_properties(wizard_falhas_tests PROPERTIES FIXTURES_REQUIRED wizard_ftp_falhas
    ENVIRONMENT "${falhas_environment};GTEST_FILTER=-*_PENDENTE")
  set_tests_properties(wizard_falhas_pendentes PROPERTIES FIXTURES_REQUIRED wizard_ftp_falhas LABELS win
    ENVIRONMENT "${falhas_environment};GTEST_FILTER=*_PENDENTE")
endif()
