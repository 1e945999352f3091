korvane_test(app_model_test
  SOURCES fluid_grid_test.cpp dye_diffusion_test.cpp dye_injection_test.cpp
  LIBS ondrel_model)
