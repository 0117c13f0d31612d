"""Runs regextool's file search and change over a Dask cluster.

The tree is walked once by the driver; the work goes to the workers in tasks of about equal
size (a large file in byte ranges at line boundaries); the results come back in the order one
machine prints them. See regextool-dask --help and the README's "Beyond one machine".
"""
