// The preview page: reads /_tourwright/tour.json and shows the tour.
