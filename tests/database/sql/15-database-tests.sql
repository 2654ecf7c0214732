-- Procedures that only the database tests call: every parameter type in and out, errors,
-- slow calls and many rows.

-- Every input comes back in the output of the same type.
CREATE OR REPLACE FUNCTION "__dbt_echo"(
    a integer, b boolean, c smallint, d numeric, e double precision, f varchar, g varchar, h timestamp,
    OUT oa integer, OUT ob boolean, OUT oc smallint, OUT od numeric, OUT oe double precision,
    OUT "of" varchar, OUT og varchar, OUT oh timestamp)
LANGUAGE sql AS $$ SELECT a, b, c, d, e, f, g, h $$;

-- Each input-output value comes back changed: so the value read back is the server's.
CREATE OR REPLACE FUNCTION "__dbt_inout"(
    INOUT a integer, INOUT b boolean, INOUT c smallint, INOUT d numeric, INOUT e double precision,
    INOUT f varchar, INOUT g varchar, INOUT h timestamp)
LANGUAGE sql AS $$
    SELECT a + 1, NOT b, (c + 1)::smallint, d * 2, e * 2, f || '!', g || '?', h + interval '1 day 1 second'
$$;

-- Null in every output.
CREATE OR REPLACE FUNCTION "__dbt_nulls"(INOUT a integer, INOUT b boolean, INOUT f varchar)
LANGUAGE sql AS $$ SELECT NULL::integer, NULL::boolean, NULL::varchar $$;

CREATE OR REPLACE FUNCTION "__dbt_raise"(message varchar)
RETURNS integer LANGUAGE plpgsql AS $$
BEGIN
    RAISE EXCEPTION '%', message;
END
$$;

CREATE OR REPLACE FUNCTION "__dbt_sleep"(seconds double precision)
RETURNS integer LANGUAGE sql AS $$ SELECT 1 FROM pg_sleep(seconds) $$;

-- n rows: "id" 1 to n, "label" 'row <id>' and "amount" id / 4.
CREATE OR REPLACE FUNCTION "__dbt_rows"(n integer)
RETURNS TABLE ("id" integer, "label" varchar, "amount" double precision) LANGUAGE sql AS $$
    SELECT i, 'row ' || i, i / 4.0 FROM generate_series(1, n) AS i
$$;

-- Values kept as data, to be read back with plain SQL.
CREATE TABLE dbt_values (id serial PRIMARY KEY, "value" varchar NOT NULL);

CREATE OR REPLACE FUNCTION "__dbt_keep"(v varchar)
RETURNS integer LANGUAGE sql AS $$ INSERT INTO dbt_values ("value") VALUES (v) RETURNING id $$;

-- Five inputs and nothing but a count back: the cost of a call itself.
CREATE OR REPLACE FUNCTION "__dbt_five"(a integer, b varchar, c double precision, d boolean, e timestamp)
RETURNS integer LANGUAGE sql AS $$ SELECT a $$;

-- No arguments.
CREATE OR REPLACE FUNCTION "__dbt_count"()
RETURNS bigint LANGUAGE sql AS $$ SELECT count(*) FROM dbt_values $$;
