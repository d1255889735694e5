// The headings of the column file that ships with the plug-in, by key, so
// that a findings file may name a column by its key (`BC`) whatever the
// heading, and the debrief finds the columns it reads in a log written
// with the shipped file. A unit test holds this against package/cablog.csv.
// prettier-ignore
export const SHIPPED_HEADINGS = {
  TIME_HHMMSS: 'Clock',
  TIME: 'Time [ms]',
  LOCATION: 'Location [m]',
  SPEED: 'Speed [km/h]',
  ACCELERATION: 'Acceleration [km/h/s]',
  POWER: 'Power notch',
  BRAKE: 'Brake notch',
  REVERSER: 'Reverser',
  BC: 'Brake cylinder [kPa]',
  SAP: 'Straight air pipe [kPa]',
  BP: 'Brake pipe [kPa]',
  ER: 'Equalising reservoir [kPa]',
  MR: 'Main reservoir [kPa]',
  CURRENT: 'Current [A]',
  SIGNAL: 'Signal aspect',
  PILOTLAMP: 'Doors closed',
  BEACON_TYPE: 'Beacon type',
  BEACON_SIGNAL: 'Beacon signal',
  BEACON_DISTANCE: 'Beacon distance [m]',
  BEACON_OPTIONAL: 'Beacon optional',
  EVENTS: 'Events',
  HORN: 'Horn',
  PLUGIN_BRAKE: 'Train plug-in brake notch',
  PLUGIN_POWER: 'Train plug-in power notch',
  PLUGIN_REVERSER: 'Train plug-in reverser',
  PLUGIN_CONSTANT_SPEED: 'Train plug-in constant speed',
  INITIALIZE: 'Initialize',
  VEHICLE_BRAKE_NOTCHES: 'Brake notches',
  VEHICLE_POWER_NOTCHES: 'Power notches',
  VEHICLE_NOTCH_3: 'Vehicle notch 3',
  VEHICLE_NOTCH_4: 'Vehicle notch 4',
  VEHICLE_CARS: 'Cars',
};

/** The column whose heading is `name`, or else the shipped heading of the key `name`; -1 when neither is there. */
export function columnNamed(log, name) {
  const exact = log.labels.indexOf(name);
  if (exact >= 0) return exact;
  const shipped = SHIPPED_HEADINGS[name];
  return shipped === undefined ? -1 : log.labels.indexOf(shipped);
}
