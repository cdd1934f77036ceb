# SWELLIX Type 2 Time Series File
:WrittenBy       SWELLIX Version 5
:NDataSets              3
:DataDescription(1)     Time
:DataUnits(1)           seconds
:DataDescription(2)     Surface Elevation
:DataUnits(2)           meters
:DataDescription(3)     U - Velocity
:DataUnits(3)           m/s
#
:Probe_ID(1)            offshore
:Probe_ID(2)            offshore
#
:x_probe(1)             60 # meters
:y_probe(1)             150 # meters
#
:Wave_Hav               1 # 
#
:NTimeSteps             5
#
:EndHeader
      0.0000          0.0000          0.0000    
     0.50000         0.12000         0.03000    
      1.0000         0.20000        -0.01000    
      1.5000        -0.15000        -0.04000    
      2.0000        -0.02000         0.11000  extra 7
