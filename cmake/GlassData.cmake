# The glass catalog rows (data/glass/*.txt) are compiled into the core through a
# generated source; the program reads nothing from disk at start-up.
# (Filled in with the glass catalogs.)
