/*
 * viewer_state.h - the process-wide state of the view: mode, projection,
 * shading and curve switches, camera, pointer and model rotation.
 *
 * Start-up sets it once with init_viewer_state(); the input handlers and the
 * manipulation modes change it; the display cycle reads it.
 *
 * Entry points: the state below, init_viewer_state(), orbit_eye(), MODE_*
 * numbers.
 */
#ifndef KESTRIM_VIEWER_STATE_H
#define KESTRIM_VIEWER_STATE_H

enum {
    MODE_LOOK = 1,   /* eye drifts by the look offset */
    MODE_ZOOM = 2,   /* eye moves along z */
    MODE_MOVE = 3,   /* translation before the camera */
    MODE_SCALE = 4,  /* scene scale */
    MODE_ROTATE = 5, /* trackball */
    MODE_LIGHT = 6,  /* light 0 position */
    MODE_ORBIT = 7,  /* orbit angles */
};

enum { POLYGON_MODE_FILL = 9, POLYGON_MODE_LINE = 2, OVERLAY_TEXT_BYTES = 52 };

extern int view_mode;                   /* manipulation mode run by the display cycle */
extern bool skip_mode_once;             /* the next display skips the mode step */
extern int window_width, window_height; /* stored by reshape */
extern bool perspective_on;             /* perspective, else orthographic, from the next reshape */
extern bool smooth_shading;             /* read by setup_lights */
extern bool cartoon_rendering;          /* two coloured lights instead of light 0 */
extern bool lighting_on;                /* the lighting switch's flag; lighting starts off in GL */
extern int material_counter;            /* its parity picks the material */
extern int polygon_mode;                /* 9 or 2; no drawing reads it */
extern bool alt_track_drawing;          /* tangent handles instead of the Bessel segment */
extern bool curves_shown;               /* a curve list instead of the raw frames */
extern int curve_family;                /* 0 linear, 1 cubic, 2 Bessel */
extern float model_matrix[16];          /* accumulated model rotation, column-major */
extern float camera_matrix[16];         /* modelview after the camera, each frame */
extern float pan_x, pan_y;              /* translation before the camera */
extern float up_x, up_y, up_z;          /* up vector of both cameras */
extern float eye_x, eye_y, eye_z;       /* eye of the overlay camera */
extern float look_x, look_y;            /* the overlay looks at (-look_x, -look_y, 0) */
extern float look_z;                    /* the centre's z; the overlay's plane is z = 0 */
extern float orbit_azimuth, orbit_elevation; /* radians */
extern float orbit_eye_x, orbit_eye_y;
extern float trackball_angle; /* degrees of the next rotate step; cleared after use */
extern float trackball_axis_x, trackball_axis_y, trackball_axis_z;
extern float scale_factor;   /* the scene is drawn at 2 * scale_factor */
extern int press_x, press_y; /* pointer at the last press, y from the bottom row */
extern int cur_x, cur_y;     /* pointer at the last motion, y from the bottom row */
extern bool left_button_down, left_button_up;
extern char overlay_text[OVERLAY_TEXT_BYTES]; /* drawn in the overlay */
extern float fps_frame_count, fps_last_report;

/* Drawing options from the command line, kept by a reset of the view. */
extern bool fps_printing;       /* the frame rate on standard output every 5 s (--fps) */
extern bool level_of_detail_on; /* only the points the window can tell apart (not --no-lod) */
extern double view_moved_at;    /* monotonic seconds of the last drag or wheel step */

/* Panels over the scene, kept by a reset of the view. */
extern bool info_panel_shown; /* the track's statistics (key i) */
extern bool help_panel_shown; /* the controls (F1) */
extern bool panels_shown;     /* anything over the track but the frames per second (key o) */

/* Start values, as start-up sets them (no GL, no reshape); the model matrix,
   the window size, the material and the curve switches are kept. */
void init_viewer_state();

/* The orbit eye at radius 6: x, y and z from the two angles. */
void orbit_eye(float azimuth, float elevation, float* x, float* y, float* z);

#endif
