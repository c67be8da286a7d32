// The plug-in library is the whole `vorlunda` archive linked into one shared object; the only
// symbols it exports are the host entry points, which carry explicit default visibility or
// dllexport where they are defined. This file just gives the library target a source.
