#ifndef KOBL_KOBL_H
#define KOBL_KOBL_H
/*
 * KOBL: model-data library writing gridded time-dependent results (solution files) on HDF5.
 *
 * Every entry point takes its arguments by reference, takes texts together with their
 * lengths (texts need not be NUL-terminated; trailing blanks are ignored) and returns a
 * status: 0 on success, negative on failure (the KB_ERR_* codes below).  Files and datasets
 * are known to the caller by positive integer handles.
 *
 * Order of use:
 *   kbpinitialize_f
 *   kbcreatefile_f                                   -> file handle
 *     kbcreatescalardataset_f / kbcreatevectordataset_f   -> dataset handle
 *       kbvectorsinlocalcoords_f                     (vector datasets)
 *       kbwritescalartimestep_f / kbwritevectortimestep_f   (any number of steps)
 *     kbclosegroup_f
 *   kbclosefile_f                                    (closes datasets still open in it)
 *   kbpclose_f                                       (closes everything still open)
 *
 * The file layout is described in docs/solution-file.md.
 */

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define KOBL_API __attribute__((visibility("default")))
#else
#define KOBL_API
#endif

enum {
  KB_OK = 0,
  KB_ERR_NOT_INITIALIZED = -1, /* kbpinitialize_f not called, or kbpclose_f called since */
  KB_ERR_BAD_HANDLE = -2,      /* unknown, closed or wrong-kind file or dataset handle */
  KB_ERR_BAD_ARGUMENT = -3,    /* null pointer, empty name or path, bad count or compression */
  KB_ERR_FILE = -4,            /* the file cannot be created or closed */
  KB_ERR_DATASET = -5,         /* a dataset group cannot be created (e.g. the path exists) */
  KB_ERR_WRITE = -6,           /* a time step cannot be written */
  KB_ERR_SIZE_MISMATCH = -7,   /* a step's number of values differs from the first step's */
  KB_ERR_HDF5 = -8             /* the HDF5 library cannot be started or closed */
};

/* Starts the library; a second call is harmless. */
KOBL_API int kbpinitialize_f(void);

/* Creates the solution file name[0..*name_len).  *overwrite != 0 replaces an existing file;
 * otherwise an existing file is an error.  Sets *file_handle. */
KOBL_API int kbcreatefile_f(const char* name, const int* name_len, const int* overwrite, int* file_handle);

/* Creates a dataset (a group named by the path, components separated by '/', missing parents
 * created) in the file *parent.  *compression: -1 or 0 none, 1..9 deflate level.
 * Sets *dataset_handle. */
KOBL_API int kbcreatescalardataset_f(const int* parent, const char* path, const int* path_len, const char* units,
                                     const int* units_len, const char* time_units, const int* time_units_len,
                                     const int* compression, int* dataset_handle);
KOBL_API int kbcreatevectordataset_f(const int* parent, const char* path, const int* path_len, const char* units,
                                     const int* units_len, const char* time_units, const int* time_units_len,
                                     const int* compression, int* dataset_handle);

/* Marks a vector dataset's components as given along the grid's own axes. */
KOBL_API int kbvectorsinlocalcoords_f(const int* dataset_handle);

/* Appends one time step: *nvalues values (one per node) at time *time. */
KOBL_API int kbwritescalartimestep_f(const int* dataset_handle, const double* time, const int* nvalues,
                                     const float* values);
/* Appends one time step of *nvalues nodes with *ncomponents (2) values each, components of a
 * node adjacent (x then y). */
KOBL_API int kbwritevectortimestep_f(const int* dataset_handle, const double* time, const int* nvalues,
                                     const int* ncomponents, const float* values);

/* Closes a dataset; its handle becomes invalid. */
KOBL_API int kbclosegroup_f(const int* dataset_handle);

/* Closes a file and any dataset of it still open; the handle becomes invalid. */
KOBL_API int kbclosefile_f(const int* file_handle);

/* Closes every open file and dataset and ends the library's use. */
KOBL_API int kbpclose_f(void);

#ifdef __cplusplus
}
#endif

#endif /* KOBL_KOBL_H */
